#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>

#include "WindowTestSupport.h"
#include "window/VisualStyle.h"

namespace wwweksports {
namespace {

using testing::FindControl;
using testing::WindowTest;

struct Placement {
    const char* name;
    const char* parent;
    QRect geometry;
    QString text;
};

// The layout: left, top, width, height relative to the parent; page controls relative to
// the page widget.
const Placement kLayout[] = {
    {"StatusBar1", "WWWEksports", {0, 191, 450, 19}, {}},
    {"pgLappuses", "WWWEksports", {2, 1, 440, 176}, {}},
    {"btExcelDir", "tabSutisana", {2, 0, 107, 25}, QStringLiteral("Excel failu katalogs")},
    {"shExcelDir", "tabSutisana", {111, 2, 318, 21}, {}},
    {"Label11", "tabSutisana", {4, 30, 105, 13}, QStringLiteral("MySQL adrese, ports :")},
    {"edMySQL_IP", "tabSutisana", {110, 26, 105, 21}, {}},
    {"Label6", "tabSutisana", {223, 30, 71, 13}, QStringLiteral("MySQL datu b.")},
    {"edMySQL_DB", "tabSutisana", {295, 26, 133, 21}, {}},
    {"Label10", "tabSutisana", {4, 53, 99, 13}, QStringLiteral("MySQL Lietot.vārds :")},
    {"edMySQLUserName", "tabSutisana", {110, 50, 105, 21}, {}},
    {"Label7", "tabSutisana", {223, 54, 74, 13}, QStringLiteral("MySQL Parole :")},
    {"edMySQLFTPParole", "tabSutisana", {295, 50, 133, 21}, {}},
    {"chkPreces", "tabSutisana", {111, 77, 109, 17}, QStringLiteral("Preces un grupas")},
    {"chkSpecCenas", "tabSutisana", {295, 77, 117, 17}, QStringLiteral("Akciju cenas")},
    {"btSutitKlasif", "tabSutisana", {3, 98, 117, 25}, QStringLiteral("Sūtīt sarakstus")},
    {"btExportAtlikumi", "tabSutisana", {133, 98, 100, 25}, QStringLiteral("Sūtīt atlikumus")},
    {"btClose", "tabSutisana", {362, 98, 67, 25}, QStringLiteral("Aizvērt")},
    {"lstProcess", "tabStatusLog", {0, 2, 429, 631}, {}},
};

const char* const kCaptioned[] = {"btExcelDir",       "Label11",   "Label6",       "Label10",
                                  "Label7",           "chkPreces", "chkSpecCenas", "btSutitKlasif",
                                  "btExportAtlikumi", "btClose"};

class WindowLayout : public WindowTest {
protected:
    void SetUp() override {
        window = makeWindow();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }

    QWidget* control(const char* name) { return FindControl<QWidget>(*window, name); }

    std::unique_ptr<TWWWEksports> window;
};

TEST_F(WindowLayout, TheWindowIsFixedAt450By210CentredWithoutMaximiseBox) {
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Datu apmaiņa ar OpenCart E-veikalu "));
    EXPECT_EQ(window->size(), QSize(450, 210));
    EXPECT_EQ(window->minimumSize(), QSize(450, 210));
    EXPECT_EQ(window->maximumSize(), QSize(450, 210));
    const Qt::WindowFlags flags = window->windowFlags();
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowSystemMenuHint));
    EXPECT_EQ(window->parentWidget(), nullptr);  // its own taskbar entry

    const QPoint screenCentre = window->screen()->availableGeometry().center();
    const QPoint offset = window->geometry().center() - screenCentre;
    EXPECT_LE(offset.manhattanLength(), 1);
}

TEST_F(WindowLayout, EveryControlHasItsPlaceParentAndText) {
    for (const Placement& expected : kLayout) {
        SCOPED_TRACE(expected.name);
        QWidget* widget = control(expected.name);
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->parentWidget()->objectName(), QString::fromLatin1(expected.parent));
        EXPECT_EQ(widget->geometry(), expected.geometry);
        if (widget->metaObject()->indexOfProperty("text") >= 0) {
            EXPECT_EQ(widget->property("text").toString(), expected.text);
        }
    }
    EXPECT_EQ(control("edMySQL_IP")->toolTip(),
              QStringLiteral("IP adrese un ports, piem 192.168.0.1:3306"));
}

TEST_F(WindowLayout, ThePagesAreSendingThenProcessLogAndTheFirstHoldsEveryControlUnclipped) {
    auto* pages = FindControl<QTabWidget>(*window, "pgLappuses");
    ASSERT_EQ(pages->count(), 2);
    EXPECT_EQ(pages->tabText(0), QStringLiteral("Sūtīšana"));
    EXPECT_EQ(pages->tabText(1), QStringLiteral("Procesa dati"));
    EXPECT_EQ(pages->widget(0)->objectName(), "tabSutisana");
    EXPECT_EQ(pages->widget(1)->objectName(), "tabStatusLog");
    EXPECT_EQ(pages->currentIndex(), 0);

    const QRect page = pages->widget(0)->rect();
    for (const Placement& expected : kLayout) {
        if (QString::fromLatin1(expected.parent) != "tabSutisana") continue;
        EXPECT_TRUE(page.contains(expected.geometry)) << expected.name;
    }
}

TEST_F(WindowLayout, EveryCaptionFitsItsControl) {
    for (const char* name : kCaptioned) {
        QWidget* widget = control(name);
        EXPECT_LE(widget->sizeHint().width(), widget->width()) << name;
        EXPECT_LE(widget->fontMetrics().height(), widget->height()) << name;
    }
}

TEST_F(WindowLayout, TabWalksThePageInItsOrder) {
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    control("btExportAtlikumi")->setFocus();
    QStringList visited{QApplication::focusWidget()->objectName()};
    for (int i = 0; i < 10; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget()->objectName();
    }
    EXPECT_EQ(visited, QStringList({"btExportAtlikumi", "btClose", "btSutitKlasif", "edMySQL_DB",
                                    "edMySQLUserName", "edMySQLFTPParole", "edMySQL_IP",
                                    "btExcelDir", "shExcelDir", "chkPreces", "chkSpecCenas"}));
}

TEST_F(WindowLayout, FontsAre11PixelsWithLatvianLettersAndThePasswordFieldHasItsOwn) {
    const QStringList installed = QFontDatabase::families();
    const QStringList windowFonts = {"Microsoft Sans Serif", "Liberation Sans", "DejaVu Sans"};
    const QStringList passwordFonts = {"Tahoma", "Liberation Sans", "DejaVu Sans"};
    const QFont font = window->font();
    EXPECT_TRUE(windowFonts.contains(font.family())) << font.family().toStdString();
    EXPECT_TRUE(installed.contains(font.family(), Qt::CaseInsensitive));
    EXPECT_EQ(font.pixelSize(), 11);

    const QFont password = control("edMySQLFTPParole")->font();
    EXPECT_TRUE(passwordFonts.contains(password.family())) << password.family().toStdString();
    EXPECT_TRUE(installed.contains(password.family(), Qt::CaseInsensitive));
    EXPECT_EQ(password.pixelSize(), 11);

    for (const Placement& placed : kLayout) {
        if (QString::fromLatin1(placed.name) == "edMySQLFTPParole") continue;
        EXPECT_EQ(control(placed.name)->font().family(), font.family()) << placed.name;
        EXPECT_EQ(control(placed.name)->font().pixelSize(), 11) << placed.name;
    }
    const QFontMetrics metrics(font);
    for (const QChar letter : QStringLiteral("āčēģīķļņšūžĀČĒĢĪĶĻŅŠŪŽ")) {
        EXPECT_TRUE(metrics.inFont(letter)) << letter.unicode();
    }
}

TEST_F(WindowLayout, ThePasswordFieldShowsOneStarPerCharacter) {
    auto* password = FindControl<QLineEdit>(*window, "edMySQLFTPParole");
    password->setText(QStringLiteral("ķēde 7"));
    EXPECT_EQ(password->displayText(), QStringLiteral("******"));
    EXPECT_EQ(password->text(), QStringLiteral("ķēde 7"));
}

TEST_F(WindowLayout, TheStatusBarHasTwoEmptyPanelsOf300And50) {
    ASSERT_NE(window->statusPanel(0), nullptr);
    EXPECT_EQ(window->statusPanel(0)->width(), 300);
    EXPECT_EQ(window->statusPanel(1)->width(), 50);
    EXPECT_EQ(window->statusPanel(0)->parentWidget(), control("StatusBar1"));
    EXPECT_EQ(window->statusPanel(1)->parentWidget(), control("StatusBar1"));
    EXPECT_LT(window->statusPanel(0)->x(), window->statusPanel(1)->x());
    EXPECT_TRUE(window->statusPanel(0)->text().isEmpty());
    EXPECT_TRUE(window->statusPanel(1)->text().isEmpty());
}

TEST_F(WindowLayout, TheUploadButtonsShareOneGlyphAndCloseHasTheDoor) {
    const auto image = [this](const char* name, QIcon::Mode mode) {
        auto* button = FindControl<QPushButton>(*window, name);
        EXPECT_EQ(button->iconSize(), QSize(16, 16));
        return button->icon().pixmap(QSize(16, 16), mode).toImage();
    };
    const QImage send = image("btSutitKlasif", QIcon::Normal);
    ASSERT_EQ(send.size(), QSize(16, 16));
    EXPECT_EQ(image("btExportAtlikumi", QIcon::Normal), send);
    EXPECT_NE(image("btSutitKlasif", QIcon::Disabled), send);
    EXPECT_NE(image("btClose", QIcon::Normal), send);
    EXPECT_NE(image("btClose", QIcon::Disabled), image("btClose", QIcon::Normal));

    // Drawn, not blank: a good part of each image is opaque.
    for (const QImage& glyph : {send, image("btClose", QIcon::Normal)}) {
        int opaque = 0;
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) opaque += qAlpha(glyph.pixel(x, y)) > 200;
        }
        EXPECT_GT(opaque, 60);
    }
    EXPECT_TRUE(FindControl<QPushButton>(*window, "btExcelDir")->icon().isNull());
}

TEST(VisualStyle, AStyleTheProgramDoesNotCarryIsRefusedAndTheLookStays) {
    const QString sheet = qApp->styleSheet();
    ASSERT_FALSE(sheet.isEmpty());
    const QString styleName = QApplication::style()->name();
    EXPECT_THROW(ActivateVisualStyle(QStringLiteral("Windows Classic")), std::runtime_error);
    EXPECT_EQ(qApp->styleSheet(), sheet);
    EXPECT_EQ(QApplication::style()->name(), styleName);
}

}  // namespace
}  // namespace wwweksports
