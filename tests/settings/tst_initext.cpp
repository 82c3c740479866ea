#include "settings/IniText.h"

#include <QTest>

#include <optional>

using namespace velnor;
using namespace Qt::StringLiterals;

// The settings file format: what a lookup finds and the exact bytes an update produces.
class TestIniText final : public QObject
{
    Q_OBJECT

private slots:
    void lookup_data();
    void lookup();
    void update_data();
    void update();
    void encodeValue_data();
    void encodeValue();
    void refusedWrites_data();
    void refusedWrites();
};

// A hand-edited file with a bit of everything; a null expected value means "missing".
static const QByteArray kEdited =
    "\xEF\xBB\xBFTop=1\r\n[Settings]\r\nCommPort=1\n"
    "Setting = 9600,n,8,1 \r; UID=1\r\n  ;Baud=1\r\n#Hash=2\r\n"
    "Bare\r\n[ \tlcd ] old\r\nuid\t=\t101 ; x\r\nUID=9\r\n"
    "Line1=\"  mid  \"\r\nLine2='x'\r\nPT1=\"\"q\"\"\r\nPT2=\"x'\r\n"
    "PT3=a=b\r\nPT4=\r\n[Open\r\nK=u\r\n[LCD]\r\nBaud=2\r\n[End]\r\nK=e"_ba;

void TestIniText::lookup_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("expected");
    const struct
    {
        const char* name;
        QByteArray file, section, key, expected;
    } rows[] = {
        {"lf line end", kEdited, "Settings", "CommPort", "1"},
        {"cr, blanks trimmed", kEdited, "SETTINGS", "setting", "9600,n,8,1"},
        {"semicolon comment", kEdited, "Settings", "UID", {}},
        {"indented comment", kEdited, "Settings", "Baud", {}},
        {"hash is no comment", kEdited, "Settings", "#Hash", "2"},
        {"line without equals", kEdited, "Settings", "Bare", {}},
        {"before first header", kEdited, "Settings", "Top", {}},
        {"header blanks, case, first key", kEdited, "LCD", "UID", "101 ; x"},
        {"double quotes keep blanks", kEdited, "LCD", "Line1", "  mid  "},
        {"single quotes", kEdited, "LCD", "Line2", "x"},
        {"one pair of quotes", kEdited, "LCD", "PT1", "\"q\""},
        {"mismatched quotes", kEdited, "LCD", "PT2", "\"x'"},
        {"split at first equals", kEdited, "LCD", "PT3", "a=b"},
        {"empty value", kEdited, "LCD", "PT4", ""},
        {"first section of a name only", kEdited, "LCD", "Baud", {}},
        {"unclosed bracket ends section", kEdited, "LCD", "K", {}},
        {"unclosed bracket is a header", kEdited, "Open", "K", "u"},
        {"last line without newline", kEdited, "End", "K", "e"},
        {"missing section", kEdited, "Ports", "1", {}},
        {"empty file", {}, "A", "K", {}},
        {"nul bytes are data", "[A]\r\n\0\0\r\nK=1\0"_ba, "A", "K", "1\0"_ba},
    };
    for (const auto& row : rows)
        QTest::newRow(row.name) << row.file << row.section << row.key << row.expected;
}

void TestIniText::lookup()
{
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, section);
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, expected);

    const std::optional<QByteArray> value = ini::lookup(file, section, key);
    QCOMPARE(value.has_value(), !expected.isNull());
    QCOMPARE(value.value_or(QByteArray()), expected);
}

void TestIniText::update_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("expected");
    // Every row writes the value "v" to section LCD.
    const struct
    {
        const char* name;
        QByteArray file, key, expected;
    } rows[] = {
        {"replace keeps other bytes", ";c\r\n\r\n[LCD]\r\nUID=1\r\n", "UID",
         ";c\r\n\r\n[LCD]\r\nUID=v\r\n"},
        {"replace keeps spelling", "[lcd] x\r\n uid = 1 ; y\r\n", "UID",
         "[lcd] x\r\n uid = v\r\n"},
        {"replace, lf and cr", "[LCD]\nK=1\rX=2\n", "K", "[LCD]\nK=v\rX=2\n"},
        {"replace unterminated", "[LCD]\r\nK=1", "K", "[LCD]\r\nK=v"},
        {"replace first only", "[LCD]\r\nK=1\r\nK=2\r\n", "K", "[LCD]\r\nK=v\r\nK=2\r\n"},
        {"first section", "[LCD]\r\n[A]\r\n[LCD]\r\nK=1\r\n", "K",
         "[LCD]\r\nK=v\r\n[A]\r\n[LCD]\r\nK=1\r\n"},
        {"after last key line", "[LCD]\r\nA=1\r\n;c\r\nB=2\r\n;d\r\n\r\n[X]\r\n", "K",
         "[LCD]\r\nA=1\r\n;c\r\nB=2\r\nK=v\r\n;d\r\n\r\n[X]\r\n"},
        {"after header", "K=0\r\n[LCD]\r\n;K=1\r\n", "K", "K=0\r\n[LCD]\r\nK=v\r\n;K=1\r\n"},
        {"follows lf", "[LCD]\nA=1\n", "K", "[LCD]\nA=1\nK=v\n"},
        {"after unterminated", "[LCD]\r\nA=1", "K", "[LCD]\r\nA=1\r\nK=v\r\n"},
        {"new section", "[A]\nB=1\n", "K", "[A]\nB=1\n[LCD]\r\nK=v\r\n"},
        {"new section, unterminated", "[A]\r\nB=1", "K", "[A]\r\nB=1\r\n[LCD]\r\nK=v\r\n"},
        {"new file", {}, "UID", "[LCD]\r\nUID=v\r\n"},
        {"bom kept", "\xEF\xBB\xBF[LCD]\r\nK=1\r\n", "K", "\xEF\xBB\xBF[LCD]\r\nK=v\r\n"},
        {"bom only", "\xEF\xBB\xBF", "K", "\xEF\xBB\xBF[LCD]\r\nK=v\r\n"},
    };
    for (const auto& row : rows)
        QTest::newRow(row.name) << row.file << row.key << row.expected;
}

void TestIniText::update()
{
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, expected);

    const QByteArray written = ini::update(file, "LCD", key, "v");
    QCOMPARE(written, expected);
    QCOMPARE(ini::lookup(written, "LCD", key).value_or("<missing>"), "v"_ba);
}

void TestIniText::encodeValue_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QByteArray>("encoded");
    const struct
    {
        QByteArray value, encoded;
    } rows[] = {
        // clang-format off
        {"9600,n,8,1", "9600,n,8,1"}, {"", ""},            {"a  b", "a  b"},
        {" x", "\" x\""},             {"x\t", "\"x\t\""},  {"  ", "\"  \""},
        {"\"x\"", "\"\"x\"\""},       {"''", "\"''\""},    {"\"x'", "\"x'"},
        {"\"", "\""},                 {"; x", "; x"},      {"\xE9\xB0", "\xE9\xB0"},
        // clang-format on
    };
    for (const auto& row : rows)
        QTest::addRow("[%s]", row.value.constData()) << row.value << row.encoded;
}

void TestIniText::encodeValue()
{
    QFETCH(QByteArray, value);
    QFETCH(QByteArray, encoded);

    QCOMPARE(ini::encodeValue(value), encoded);
    // What is written reads back as exactly the same value, as a new key or a replaced one.
    const auto readBack = [&value](QByteArrayView file) {
        const QByteArray written = ini::update(file, "LCD", "Line1", value);
        return ini::lookup(written, "LCD", "Line1").value_or("<missing>");
    };
    QCOMPARE(readBack({}), value);
    QCOMPARE(readBack("[LCD]\r\nLine1 = ' old '\r\n"), value);
}

static QByteArray printable(QByteArray tag)
{
    return tag.replace('\r', "\\r").replace('\n', "\\n").replace('\t', "\\t");
}

void TestIniText::refusedWrites_data()
{
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("value");
    const struct
    {
        QByteArray section, key, value;
    } rows[] = {
        // clang-format off
        {"LCD", "Line1", "x\r\nUID=6"}, {"LCD", "Line1", "x\n[A]"}, {"LCD", "Line1", "x\rUID=6"},
        {"LCD", "K\nUID", "6"},         {"LCD]", "UID", "6"},       {"LCD", "UID=1", "6"},
        {"LCD", ";UID", "6"},           {"LCD", " UID", "6"},       {"LCD", "", "6"},
        // clang-format on
    };
    for (const auto& row : rows)
        QTest::newRow(printable(row.section + '/' + row.key + '=' + row.value).constData())
            << row.section << row.key << row.value;
}

void TestIniText::refusedWrites()
{
    QFETCH(QByteArray, section);
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, value);

    const QByteArray file = "[LCD]\r\nUID=101\r\nLine1=a\r\n";
    QVERIFY(ini::rejectReason(section, key, value) != nullptr);
    QCOMPARE(ini::update(file, section, key, value), file);
}

QTEST_APPLESS_MAIN(TestIniText)
#include "tst_initext.moc"
