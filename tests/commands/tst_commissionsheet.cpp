#include "commands/CommissionSheet.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace velnor;

class tst_CommissionSheet final : public QObject
{
    Q_OBJECT

private slots:
    void addressesAsTyped_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QList<quint8>>("addresses");
        QTest::addColumn<QString>("refused");
        QTest::newRow("range") << u"101-104"_s << QList<quint8>{101, 102, 103, 104} << QString();
        QTest::newRow("list and range")
            << u" 110, 103 ,130 - 132"_s << QList<quint8>{110, 103, 130, 131, 132} << QString();
        QTest::newRow("broadcast") << u"100-102"_s << QList<quint8>{} << u"\"100-102\""_s;
        QTest::newRow("beyond") << u"131-133"_s << QList<quint8>{} << u"\"131-133\""_s;
        QTest::newRow("backwards") << u"108-101"_s << QList<quint8>{} << u"\"108-101\""_s;
        QTest::newRow("twice") << u"101-103, 102"_s << QList<quint8>{} << u"102 is given twice"_s;
        QTest::newRow("word") << u"101, x"_s << QList<quint8>{} << u"\"x\""_s;
        QTest::newRow("nothing") << u" , "_s << QList<quint8>{} << u"no address"_s;
    }

    void addressesAsTyped()
    {
        QFETCH(QString, typed);
        QFETCH(QList<quint8>, addresses);
        QFETCH(QString, refused);
        const auto parsed = CommissionSheet::parseAddresses(typed);
        if (refused.isEmpty()) {
            QCOMPARE(std::get<QList<quint8>>(parsed), addresses);
            return;
        }
        QVERIFY2(std::get<QString>(parsed).startsWith(refused),
                 qPrintable(std::get<QString>(parsed)));
    }

    // A retry replaces the unchecked row of its address; an address stored, checked or not, stays
    // given, also over a new list of addresses.
    void rowsAndTheCsv()
    {
        CommissionSheet sheet;
        sheet.start({103, 104});
        Commissioning::Result result;
        result.address = 103;
        result.baud = 9600;
        result.time = QDateTime(QDate(2026, 12, 7), QTime(9, 30, 5));
        result.oldAddress = 101;
        result.oldBaud = 4800;
        QVERIFY(!sheet.given(103));
        sheet.record(result);
        QVERIFY(sheet.given(103));
        result.checked = true;
        result.inputs = InputStates{true, false, true, true, true, true, true, false};
        sheet.record(result);
        sheet.advance();
        QCOMPARE(sheet.current(), std::optional<quint8>(104));
        sheet.start({103});
        QVERIFY(sheet.given(103));
        QCOMPARE(sheet.rows().size(), 1);
        QCOMPARE(sheet.csv(),
                 u"address,speed,time,checked,inputs,found at\r\n"
                 "103,9600,2026-12-07T09:30:05.000,yes,1 0 1 1 1 1 1 0,101 at 4800\r\n"_s);
    }
};

QTEST_GUILESS_MAIN(tst_CommissionSheet)
#include "tst_commissionsheet.moc"
