#include "settings/IniText.h"

#include <QTest>

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
};

// A hand-edited file with a bit of everything: LF, CR and CRLF line ends, a key before the
// first header, comments, an odd header, quotes, a second [LCD] that is never searched and a
// last line without a line break.
static const QByteArray kEdited =
    "Top=1\r\n[Set]\r\nCommPort=1\nSetting = 9600,n,8,1 \r  ;Baud=1\r\n#Hash=2\r\n"
    "[ \tlcd ] old\r\nuid\t=\t101 ; x\r\nUID=9\r\nLine1=\"  mid  \"\r\nLine2='x'\r\n"
    "PT1=\"\"q\"\"\r\nPT2=\"x'\r\n[LCD]\r\nBaud=2\r\n[End]\r\nK=e"_ba;

void TestIniText::lookup_data()
{
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("expected");
    const auto row = [](const char* section, const char* key, const QByteArray& expected) {
        QTest::addRow("%s/%s", section, key) << QByteArray(section) << QByteArray(key) << expected;
    };
    row("Set", "CommPort", "1");
    row("SET", "setting", "9600,n,8,1");
    row("Set", ";Baud", "<missing>");
    row("Set", "#Hash", "2");
    row("Set", "Top", "<missing>");
    row("LCD", "UID", "101 ; x");
    row("LCD", "Line1", "  mid  ");
    row("LCD", "Line2", "x");
    row("LCD", "PT1", "\"q\"");
    row("LCD", "PT2", "\"x'");
    row("LCD", "Baud", "<missing>");
    row("End", "K", "e");
}

void TestIniText::lookup()
{
    QFETCH(QByteArray, section);
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, expected);
    QCOMPARE(velnor::ini::lookup(kEdited, section, key).value_or("<missing>"_ba), expected);
}

void TestIniText::update_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("value");
    // Null: the write is refused and the file stays as it was.
    QTest::addColumn<QByteArray>("expected");
    // Every row sets key K of section S.
    const struct
    {
        const char* name;
        QByteArray file, value, expected;
    } rows[] = {
        {"spelling", ";c\n\n[s] x\n k = 1 ; y\n", "v", ";c\n\n[s] x\n k = v\n"},
        {"replace first, cr", "[S]\rK=1\rK=2", "v", "[S]\rK=v\rK=2"},
        {"first section", "[S]\n[A]\n[S]\nK=1\n", "v", "[S]\nK=v\n[A]\n[S]\nK=1\n"},
        {"after last key", "[S]\nA=1\n;c\nB=2\n;d\n\n", "v", "[S]\nA=1\n;c\nB=2\nK=v\n;d\n\n"},
        {"after unterminated", "[S]\r\nA=1", "v", "[S]\r\nA=1\r\nK=v\r\n"},
        // A last line without a break gets the one the file uses most; CRLF when it has none.
        {"replace unterminated", "[S]\r\nK=101", "v", "[S]\r\nK=v\r\n"},
        {"replace unterminated, lf", "[S]\nA=1\nK=1", "v", "[S]\nA=1\nK=v\n"},
        {"replace unterminated, most lf", "[S]\r\nA=1\nB=1\nK=1", "v", "[S]\r\nA=1\nB=1\nK=v\n"},
        {"replace unterminated, cr", "[S]\rK=1", "v", "[S]\rK=v\r"},
        {"after unterminated, lf", "[S]\nA=1", "v", "[S]\nA=1\nK=v\n"},
        {"new section", "[A]\nB=1\n", "v", "[A]\nB=1\n[S]\nK=v\n"},
        {"new section, tie", "[A]\r\nB=1\n", "v", "[A]\r\nB=1\n[S]\r\nK=v\r\n"},
        {"new section, unterminated lf", "[A]\nB=1", "v", "[A]\nB=1\n[S]\nK=v\n"},
        {"new section, unterminated", "[A]\r\nB=1", "v", "[A]\r\nB=1\r\n[S]\r\nK=v\r\n"},
        {"new file", {}, "v", "[S]\r\nK=v\r\n"},
        {"bom", "\xEF\xBB\xBF[S]\r\nK=1\r\n", "v", "\xEF\xBB\xBF[S]\r\nK=v\r\n"},
        // Values that reading would trim or unquote go in double quotes; others verbatim.
        {"quote blanks", "[S]\r\nK = ' old '\r\n", " x", "[S]\r\nK = \" x\"\r\n"},
        {"quote tab", {}, "x\t", "[S]\r\nK=\"x\t\"\r\n"},
        {"quote quoted", {}, "'x'", "[S]\r\nK=\"'x'\"\r\n"},
        {"cr in value", "[S]\r\nK=a\r\n", "x\rUID=6", {}},
        {"lf in value", {}, "x\n[A]", {}},
    };
    for (const auto& row : rows)
        QTest::newRow(row.name) << row.file << row.value << row.expected;
}

void TestIniText::update()
{
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, value);
    QFETCH(QByteArray, expected);
    const QByteArray written = velnor::ini::update(file, "S", "K", value);
    QCOMPARE(written, expected.isNull() ? file : expected);
    // What is written reads back as exactly the value written.
    if (!expected.isNull())
        QCOMPARE(velnor::ini::lookup(written, "S", "K").value_or("<missing>"_ba), value);
}

QTEST_APPLESS_MAIN(TestIniText)
#include "tst_initext.moc"
