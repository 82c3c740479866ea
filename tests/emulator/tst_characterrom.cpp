#include "emulator/CharacterRom.h"

#include <QSet>
#include <QTest>

namespace velnor {

// The character set the emulator window draws.
class TestCharacterRom : public QObject
{
    Q_OBJECT

private slots:
    void printableCharactersAreDistinctAndLeaveTheCursorRow();
    void knownShapes_data();
    void knownShapes();
    void customCharactersComeFromTheBitmaps();
};

namespace {

QByteArray key(const CharacterRom::Glyph& glyph)
{
    return QByteArray(reinterpret_cast<const char*>(glyph.data()), int(glyph.size()));
}

} // namespace

void TestCharacterRom::printableCharactersAreDistinctAndLeaveTheCursorRow()
{
    QSet<QByteArray> seen;
    for (int code = 0x20; code <= 0x7E; ++code) {
        const CharacterRom::Glyph glyph = CharacterRom::glyph(quint8(code), {});
        QVERIFY2(!seen.contains(key(glyph)), qPrintable(QString(QChar(char16_t(code)))));
        seen.insert(key(glyph));
        QCOMPARE(glyph.at(7), quint8(0));
        int dots = 0;
        for (quint8 row : glyph) {
            QCOMPARE(row & 0xE0, 0);
            dots += qPopulationCount(row);
        }
        QVERIFY2((dots == 0) == (code == ' '), qPrintable(QString(QChar(char16_t(code)))));
    }
}

void TestCharacterRom::knownShapes_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QByteArray>("rows");

    QTest::newRow("underscore") << int('_') << QByteArray("\x00\x00\x00\x00\x00\x00\x1F\x00", 8);
    QTest::newRow("unknown code") << 0x80 << QByteArray("\x1F\x11\x11\x11\x11\x11\x1F\x00", 8);
    QTest::newRow("control code") << 0x1B << QByteArray("\x1F\x11\x11\x11\x11\x11\x1F\x00", 8);
    QTest::newRow("FF block") << 0xFF << QByteArray("\x1F\x1F\x1F\x1F\x1F\x1F\x1F\x1F", 8);
}

void TestCharacterRom::knownShapes()
{
    QFETCH(int, code);
    QFETCH(QByteArray, rows);
    QCOMPARE(key(CharacterRom::glyph(quint8(code), {})), rows);
}

void TestCharacterRom::customCharactersComeFromTheBitmaps()
{
    QByteArray bitmaps(64, '\0');
    for (int i = 0; i < 64; ++i)
        bitmaps[i] = char(0xE0 | (i % 32)); // the top three bits are not dots
    for (int code = 0; code < 8; ++code) {
        const CharacterRom::Glyph glyph = CharacterRom::glyph(quint8(code), bitmaps);
        for (int row = 0; row < 8; ++row)
            QCOMPARE(int(glyph.at(size_t(row))), (code * 8 + row) % 32);
        QCOMPARE(key(CharacterRom::glyph(quint8(code + 8), bitmaps)), key(glyph));
    }
    QVERIFY(CharacterRom::isDotOn(CharacterRom::glyph(0, QByteArray(8, '\x10')), 0, 0));
    QVERIFY(!CharacterRom::isDotOn(CharacterRom::glyph(0, QByteArray(8, '\x10')), 0, 4));
    QVERIFY(CharacterRom::isDotOn(CharacterRom::glyph(0, QByteArray(8, '\x01')), 7, 4));
    // Too few bitmap bytes leave the rest of the character dark instead of reading past them.
    QCOMPARE(key(CharacterRom::glyph(1, QByteArray(10, '\x1F'))),
             QByteArray("\x1F\x1F\x00\x00\x00\x00\x00\x00", 8));
}

} // namespace velnor

QTEST_GUILESS_MAIN(velnor::TestCharacterRom)
#include "tst_characterrom.moc"
