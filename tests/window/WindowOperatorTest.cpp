#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>

#include "WindowTestSupport.h"
#include "operator/ProcessLog.h"
#include "window/StandardDialogs.h"

namespace wwweksports {
namespace {

using testing::FindControl;
using testing::ModalAnswerer;
using testing::WindowTest;

class WindowOperator : public WindowTest {
protected:
    void SetUp() override {
        window = makeWindow();
        list = FindControl<QListWidget>(*window, "lstProcess");
    }

    QStringList lines() const {
        QStringList out;
        for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
        return out;
    }

    void expectLastSelected() const {
        ASSERT_GT(list->count(), 0);
        EXPECT_EQ(list->currentRow(), list->count() - 1);
        const QList<QListWidgetItem*> selected = list->selectedItems();
        ASSERT_EQ(selected.size(), 1);
        EXPECT_EQ(selected[0], list->item(list->count() - 1));
    }

    // Length of the stamp "dd.MM-HH:mm:ss " in front of every message.
    const int stamp = static_cast<int>(StampedProcessLine(QString()).size());
    std::unique_ptr<TWWWEksports> window;
    QListWidget* list = nullptr;
};

TEST_F(WindowOperator, ALogLineIsStampedSelectedAndLeavesTheSendingPageInFront) {
    window->addProcessLine(QStringLiteral("Sāk sarakstu sūtīšanu ..."));
    ASSERT_EQ(list->count(), 1);
    const QRegularExpression stamped(
        QStringLiteral("^\\d\\d\\.\\d\\d-\\d\\d:\\d\\d:\\d\\d Sāk sarakstu sūtīšanu \\.\\.\\.$"));
    EXPECT_TRUE(stamped.match(list->item(0)->text()).hasMatch())
        << list->item(0)->text().toStdString();
    expectLastSelected();
    EXPECT_EQ(FindControl<QTabWidget>(*window, "pgLappuses")->currentIndex(), 0);
    EXPECT_EQ(list->visualItemRect(list->item(0)).height(), 13);
}

TEST_F(WindowOperator, A64CharacterLineStaysWholeAnd65SplitsOffTheLastCharacter) {
    window->addProcessLine(QString(64 - stamp, QLatin1Char('a')));
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->item(0)->text().size(), 64);

    window->addProcessLine(QString(64 - stamp, QLatin1Char('b')) + QLatin1Char('Z'));
    ASSERT_EQ(lines().size(), 3);
    EXPECT_EQ(list->item(1)->text().size(), 64);
    EXPECT_TRUE(list->item(1)->text().endsWith(QLatin1Char('b')));
    EXPECT_EQ(list->item(2)->text(), "Z");
    expectLastSelected();
}

TEST_F(WindowOperator, ALineOver128CharactersIsSplitOnceWithoutAStampOnItsRest) {
    QString message;
    for (int i = 0; i < 150; ++i) message += QChar(u"āčēģīķļņšūž"[i % 11]);
    window->addProcessLine(message);
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(0)->text(), list->item(0)->text().left(stamp) + message.left(64 - stamp));
    EXPECT_EQ(list->item(1)->text(), message.mid(64 - stamp));
    EXPECT_GT(list->item(1)->text().size(), 64);
    expectLastSelected();
}

TEST_F(WindowOperator, TheLogDropsItsOldestLineOnlyWhenItHoldsMoreThan3000) {
    for (int i = 1; i <= 3000; ++i) list->addItem(QStringLiteral("vecs %1").arg(i));
    window->addProcessLine(QStringLiteral("jauns 1"));
    ASSERT_EQ(list->count(), 3001);  // 3000 is not more than 3000
    EXPECT_EQ(list->item(0)->text(), "vecs 1");

    window->addProcessLine(QStringLiteral("jauns 2"));
    ASSERT_EQ(list->count(), 3001);
    EXPECT_EQ(list->item(0)->text(), "vecs 2");
    EXPECT_TRUE(list->item(3000)->text().endsWith(" jauns 2"));
    expectLastSelected();

    // One line at most goes per call, even when the new message takes two.
    window->addProcessLine(QString(100, QLatin1Char('x')));
    EXPECT_EQ(list->count(), 3002);
    EXPECT_EQ(list->item(0)->text(), "vecs 3");
    expectLastSelected();
}

TEST_F(WindowOperator, TheLastLineIsScrolledIntoViewWithinTheList) {
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    for (int i = 0; i < 100; ++i) window->addProcessLine(QStringLiteral("rinda %1").arg(i));
    const QRect last = list->visualItemRect(list->item(list->count() - 1));
    EXPECT_TRUE(list->viewport()->rect().contains(last));
    EXPECT_GT(list->verticalScrollBar()->value(), 0);
}

TEST_F(WindowOperator, StatusTextsGoToPanel0AndOnlyTheLastRefreshRunsPendingEvents) {
    bool pendingRan = false;
    QMetaObject::invokeMethod(
        qApp, [&pendingRan] { pendingRan = true; }, Qt::QueuedConnection);

    window->setStatus(QStringLiteral("Dzēšu vecos ierakstus"), StatusRefresh::None);
    EXPECT_EQ(window->statusPanel(0)->text(), "Dzēšu vecos ierakstus");
    window->setStatus(QStringLiteral("Sūtu preču grupas"), StatusRefresh::Repaint);
    EXPECT_EQ(window->statusPanel(0)->text(), "Sūtu preču grupas");
    EXPECT_FALSE(pendingRan);
    window->setStatus(QStringLiteral("Ievietoju SEO..."), StatusRefresh::RepaintAndProcessEvents);
    EXPECT_EQ(window->statusPanel(0)->text(), "Ievietoju SEO...");
    EXPECT_TRUE(pendingRan);
    EXPECT_TRUE(window->statusPanel(1)->text().isEmpty());
    EXPECT_EQ(list->count(), 0);  // status texts are not logged
}

TEST_F(WindowOperator, MessagesAreModalBoxesWithOneOkAndErrorsAreCritical) {
    ModalAnswerer answerer;
    window->showMessage(QStringLiteral("Nav ievadīts Excel katalogs !!!"));
    ShowErrorDialog(window.get(), QStringLiteral("Preces_web.xlsx <lapa> D17"));
    ASSERT_EQ(answerer.boxes.size(), 2u);
    EXPECT_EQ(answerer.boxes[0].icon, QMessageBox::NoIcon);
    EXPECT_EQ(answerer.boxes[0].text, "Nav ievadīts Excel katalogs !!!");
    EXPECT_EQ(answerer.boxes[1].icon, QMessageBox::Critical);
    EXPECT_EQ(answerer.boxes[1].text, "Preces_web.xlsx <lapa> D17");
    for (const ModalAnswerer::Box& box : answerer.boxes) {
        EXPECT_EQ(box.title, "WWWEksports");
        EXPECT_EQ(box.buttonCount, 1);
    }
}

}  // namespace
}  // namespace wwweksports
