#include "Files.h"
#include "app/LogWindow.h"
#include "link/LogExport.h"
#include "link/TrafficLog.h"
#include "protocol/Frames.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QStyle>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace velnor;
using velnor::test::contents;

namespace {

template <typename T> T* child(const QWidget& window, const char* name)
{
    return window.findChild<T*>(QString::fromLatin1(name));
}

QStringList meanings(const QList<LogRow>& rows)
{
    QStringList list;
    for (const LogRow& row : rows)
        list.append(row.meaning);
    return list;
}

} // namespace

class tst_LogWindow final : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_log = std::make_unique<TrafficLog>();
        m_log->frameSent(frames::select(105));
        m_log->bytesReceived(QByteArray::fromHex("EE69"), LogRow::Window::Panel, 105, 2);
        m_log->frameSent(frames::select(106));
        m_log->answerMissing(106, 10);
        m_log->frameSent(frames::broadcastOn());
        m_window = std::make_unique<LogWindow>(*m_log);
    }

    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English)); }

    void cleanup()
    {
        m_window.reset();
        m_log.reset();
    }

    void filtersByAddress()
    {
        auto* address = child<QComboBox>(*m_window, "addressFilter");
        address->setCurrentIndex(address->findText(u"106"_s));
        QCOMPARE(meanings(m_window->shownRows()),
                 QStringList({u"select 106"_s, u"no answer from 106 within 10 ticks"_s}));
        // New rows pass the same filter.
        m_log->frameSent(frames::readInputs());
        m_log->frameSent(frames::select(107));
        QCOMPARE(m_window->shownRows().size(), 2);
        address->setCurrentIndex(0);
        QCOMPARE(m_window->shownRows().size(), 7);
    }

    void pausesAndClears()
    {
        auto* pause = child<QPushButton>(*m_window, "pauseButton");
        pause->click();
        QVERIFY(m_log->paused());
        m_log->frameSent(frames::deselect());
        QCOMPARE(m_window->shownRows().size(), 5);
        // Held rows are said, not only a pressed button.
        QCOMPARE(child<QLabel>(*m_window, "boundLabel")->text(),
                 u"Paused: 1 row waits to be shown."_s);
        QCOMPARE(pause->text(), u"Resume"_s);
        pause->click();
        QVERIFY(!m_log->paused());
        QCOMPARE(m_window->shownRows().size(), 6);
        QVERIFY(!child<QLabel>(*m_window, "boundLabel")->text().startsWith(u"Paused"_s));
        child<QPushButton>(*m_window, "clearLogButton")->click();
        QCOMPARE(m_window->shownRows().size(), 0);
    }

    // What is copied and saved is the rows shown, in the form the user chose.
    void copiesAndSavesWhatIsShown()
    {
        auto* address = child<QComboBox>(*m_window, "addressFilter");
        address->setCurrentIndex(address->findText(u"105"_s));
        const QList<LogRow> shown = m_window->shownRows();
        QCOMPARE(meanings(shown), QStringList({u"select 105"_s, u"acknowledge from 105"_s}));

        child<QPushButton>(*m_window, "copyLogButton")->click();
        QCOMPARE(QApplication::clipboard()->text(), logText(shown));
        m_window->findChild<QTableView*>()->selectRow(1);
        child<QPushButton>(*m_window, "copyLogButton")->click();
        QCOMPARE(QApplication::clipboard()->text(), logText(shown.mid(1)));

        QTemporaryDir dir;
        QVERIFY(m_window->saveTo(dir.filePath(u"log.csv"_s)));
        QCOMPARE(contents(dir.filePath(u"log.csv"_s)), logCsv(shown).toUtf8());
        QVERIFY(m_window->saveTo(dir.filePath(u"log.txt"_s)));
        QCOMPARE(contents(dir.filePath(u"log.txt"_s)), logText(shown).toUtf8());
        // A FIFO takes the rows and stays one: the status line does not call that a saved file.
        const QByteArray fifo = QFile::encodeName(dir.filePath(u"fifo"_s));
        QCOMPARE(::mkfifo(fifo.constData(), 0600), 0);
        const int reader = ::open(fifo.constData(), O_RDONLY | O_NONBLOCK);
        QVERIFY(m_window->saveTo(dir.filePath(u"fifo"_s)));
        ::close(reader);
        QVERIFY(
            child<QLabel>(*m_window, "statusLabel")->text().startsWith(u"Wrote 2 rows into"_s));
    }

    // However many rows there are, the window opens on the latest.
    void opensAtTheLatestRows()
    {
        for (int i = 0; i < 200; ++i)
            m_log->frameSent(frames::select(101));
        m_window->show();
        const auto* table = m_window->findChild<QTableView*>();
        QTRY_COMPARE(table->rowAt(table->viewport()->height() - 1), m_log->rowCount() - 1);
    }

    // Opened on a 1024-wide screen it fits, and 16 bytes of the widest hex digits show whole.
    void fitsASmallScreen()
    {
        QVERIFY(m_window->width() <= 1024);
        const auto* table = m_window->findChild<QTableView*>();
        const QString bytes = u"DD "_s.repeated(16).trimmed();
        const int margins = 2 * (table->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1);
        QCOMPARE_GE(table->columnWidth(TrafficLog::Bytes),
                    table->fontMetrics().horizontalAdvance(bytes) + margins);
    }

private:
    std::unique_ptr<TrafficLog> m_log;
    std::unique_ptr<LogWindow> m_window;
};

QTEST_MAIN(tst_LogWindow)
#include "tst_logwindow.moc"
