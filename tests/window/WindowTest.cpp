#include "WindowTestSupport.h"
#include "window/SecurityDialog.h"
#include "window/StandardDialogs.h"

namespace wwweksports::testing {

TEST_F(Window, IsFixedAndCentredWithTwoPagesCaptionsThatFitIn11PixelsAndItsTabOrder) {
    EXPECT_EQ(window->minimumSize(), QSize(450, 210));
    EXPECT_EQ(window->maximumSize(), QSize(450, 210));
    EXPECT_FALSE(window->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(window->geometry().center(), window->screen()->availableGeometry().center());
    auto* pages = find<QTabWidget>("pgLappuses");
    EXPECT_EQ(pages->count(), 2);
    EXPECT_EQ(pages->tabText(0) + '|' + pages->tabText(1), "Sūtīšana|Procesa dati");
    EXPECT_EQ(pages->currentIndex(), 0);
    int captions = 0;
    for (const QWidget* control : window->findChildren<QWidget*>()) {
        const QString caption = control->property("text").toString();  // fields are empty
        EXPECT_EQ(control->font().pixelSize(), 11) << control->metaObject()->className();
        if (caption.isEmpty()) continue;
        ++captions;
        EXPECT_LE(control->sizeHint().width(), control->width()) << caption.toStdString();
        EXPECT_LE(control->fontMetrics().height(), control->height()) << caption.toStdString();
    }
    EXPECT_EQ(captions, 12);
    // "Drošība" and "Pārbaudīt" sit in the room the page leaves: each overlaps no other
    // control there, and stays inside the page.
    const QWidget* page = find("tabSutisana");
    for (const char* added : {"btDrosiba", "btParbaudit"}) {
        const QWidget* button = find(added);
        EXPECT_TRUE(page->rect().contains(button->geometry())) << added;
        for (const QWidget* other :
             page->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
            EXPECT_TRUE(other == button || !other->geometry().intersects(button->geometry()))
                << added << " " << other->objectName().toStdString();
        }
    }
    find<QLineEdit>("edMySQLFTPParole")->setText("ķēde 7");
    EXPECT_EQ(find<QLineEdit>("edMySQLFTPParole")->displayText(), "******");

    find("btExportAtlikumi")->setFocus();
    QStringList visited{window->focusWidget()->objectName()};
    for (int i = 0; i < 12; ++i) {
        QTest::keyClick(window->focusWidget(), Qt::Key_Tab);
        visited << window->focusWidget()->objectName();
    }
    EXPECT_EQ(visited,
              QStringList({"btExportAtlikumi", "btClose", "btSutitKlasif", "edMySQL_DB",
                           "edMySQLUserName", "edMySQLFTPParole", "edMySQL_IP", "btExcelDir",
                           "shExcelDir", "chkPreces", "chkSpecCenas", "btDrosiba", "btParbaudit"}));
}

TEST_F(Window, StatusGoesToPanel0OnlyTheLastRefreshRunsEventsAndBoxesHaveTheirIcons) {
    bool ran = false;
    QTimer::singleShot(0, [&ran] { ran = true; });
    window->setStatus("Dzēšu vecos ierakstus", StatusRefresh::None);
    window->setStatus("Sūtu preču grupas", StatusRefresh::Repaint);
    EXPECT_EQ(window->statusPanel(0)->text(), "Sūtu preču grupas");
    EXPECT_FALSE(ran);
    window->setStatus("Ievietoju SEO...", StatusRefresh::RepaintAndProcessEvents);
    EXPECT_TRUE(ran);
    EXPECT_EQ(window->statusPanel(1)->text(), "");
    window->showMessage("Nav ievadīts Excel katalogs !!!");
    ShowErrorDialog(window.get(), "Preces_web.xlsx <lapa> D17");
    EXPECT_EQ(answerer.boxes, QStringList({"NoIcon: Nav ievadīts Excel katalogs !!!",
                                           "Critical: Preces_web.xlsx <lapa> D17"}));
}

TEST_F(Window, LogLinesAreStampedSplitOnceAfter64AndTheOldestGoOnlyPast3000OnePerCall) {
    auto* list = find<QListWidget>("lstProcess");
    for (int i = 1; i <= 3000; ++i) list->addItem(QString::number(i));
    const QString latvian = QString("āčēģīķļņšū").repeated(15);
    const int room = 64 - 15;  // the stamp "dd.MM-HH:mm:ss " takes 15
    for (const QString& message : {QString(room, 'a'), QString(room, 'b') + 'Z', latvian})
        window->addProcessLine(message);
    EXPECT_EQ(list->item(0)->text(), "3");  // none at 3000 lines, then one for each call
    EXPECT_EQ(logMessages().mid(2998), QStringList({QString(room, 'a'), QString(room, 'b'), "Z",
                                                    latvian.left(room), latvian.mid(room)}));
    QListWidgetItem* last = list->item(list->count() - 1);
    EXPECT_EQ(list->selectedItems(), QList<QListWidgetItem*>{last});
    const QRect shown = list->visualItemRect(last);
    EXPECT_TRUE(shown.top() >= 0 && shown.bottom() < list->viewport()->height()) << shown.top();
}

TEST_F(Window, ThePickerStartsAtTheFieldsFileListsWorkbooksAndFillsInOnlyAChosenOne) {
    QTemporaryDir tmp;
    for (const char* name : {"Preces_web.xlsx", "GRUPAS_WEB.XLSX", "piezimes.txt"})
        ASSERT_TRUE(QFile(tmp.filePath(name)).open(QIODevice::WriteOnly));
    auto* field = find<QLineEdit>("shExcelDir");
    field->setText(tmp.filePath("Preces_web.xlsx"));
    QStringList first;  // of the first dialog: title, directory and name, then the files listed
    // Clicks "Excel failu katalogs", picks `name` in the temporary directory, presses `key`.
    const auto pick = [&](const QString& name, Qt::Key key) {
        answerer.onFileDialog = [&, name, key](QFileDialog* dialog) {
            auto* edit = dialog->findChild<QLineEdit*>("fileNameEdit");
            auto* view = dialog->findChild<QListView*>("listView");
            const auto rows = [view] { return view->model()->rowCount(view->rootIndex()); };
            if (first.isEmpty()) {
                first << dialog->windowTitle() << dialog->directory().path() << edit->text();
                // The directory is read in the background, and the field's file selected in it
                // once it is; a name typed before that would be overwritten.
                EXPECT_TRUE(QTest::qWaitFor(
                    [&] { return rows() >= 2 && view->selectionModel()->hasSelection(); }));
                for (int row = 0; row < rows(); ++row)
                    first << view->model()->index(row, 0, view->rootIndex()).data().toString();
            }
            // As the operator does: into the name field, the name typed over what is there.
            QApplication::setActiveWindow(dialog);
            edit->setFocus();
            EXPECT_TRUE(QTest::qWaitFor([edit] { return edit->hasFocus(); }));
            edit->selectAll();
            QTest::keyClicks(edit, name);
            QTest::keyClick(edit, key);
        };
        find<QPushButton>("btExcelDir")->click();
    };
    pick("Eksports", Qt::Key_Return);
    std::sort(first.begin() + 3, first.end());
    EXPECT_EQ(first, QStringList({"Kur atrodas Excel fails ?", tmp.path(), "Preces_web.xlsx",
                                  "GRUPAS_WEB.XLSX", "Preces_web.xlsx"}));
    EXPECT_EQ(field->text(), tmp.filePath("Eksports.XLSX"));
    field->setText(" /nekur/Preces_web.xlsx ");
    pick("Preces_web.xlsx", Qt::Key_Escape);
    EXPECT_EQ(field->text(), " /nekur/Preces_web.xlsx ");
}

TEST_F(Window, WhatAizvertOrTheTitleBarLeftComesBackOnTheSendingPage) {
    for (const bool viaButton : {true, false}) {
        const QString typed = viaButton ? " ķ\"\\ 1" : " 2";
        for (auto* field : window->findChildren<QLineEdit*>())
            field->setText(field->objectName() + typed);
        find<QCheckBox>("chkPreces")->setChecked(viaButton);
        find<QCheckBox>("chkSpecCenas")->setChecked(!viaButton);
        find<QTabWidget>("pgLappuses")->setCurrentIndex(1);
        viaButton ? find<QPushButton>("btClose")->click() : void(window->windowHandle()->close());
        EXPECT_FALSE(window->isVisible());
        window.reset();
        open();
        for (auto* field : window->findChildren<QLineEdit*>())
            EXPECT_EQ(field->text(), field->objectName() + typed);
        EXPECT_EQ(find<QCheckBox>("chkPreces")->isChecked(), viaButton);
        EXPECT_EQ(find<QCheckBox>("chkSpecCenas")->isChecked(), !viaButton);
        EXPECT_EQ(find<QTabWidget>("pgLappuses")->currentIndex(), 0);
    }
}

TEST_F(Window, AStoreThatCannotBeReadOrWrittenIsACriticalBoxNamingIt) {
    ASSERT_TRUE(QFile(storePath()).open(QIODevice::WriteOnly));  // empty: no settings in it
    open();  // the box comes, and the window still opens
    EXPECT_EQ(answerer.boxes.size(), 1);
    // Under a file: nothing to read, nowhere to write.
    window = std::make_unique<TWWWEksports>(SettingsStore(storePath() + "/WWWExp.json"));
    EXPECT_EQ(answerer.boxes.size(), 1);
    window.reset();
    ASSERT_EQ(answerer.boxes.size(), 2);
    for (const QString& box : answerer.boxes)
        EXPECT_TRUE(box.startsWith("Critical: ") && box.contains(storePath())) << box.toStdString();
}

// The two upload buttons share a drawn glyph, "Aizvērt" has its own; each shows greyed out
// when disabled. A style the program does not carry is refused and the look stays.
TEST_F(Window, GlyphsAreDrawnAndAStyleNotCarriedIsRefused) {
    const auto glyph = [this](const char* button, QIcon::Mode mode = QIcon::Normal) {
        return find<QPushButton>(button)->icon().pixmap(16, mode).toImage();
    };
    const QImage send = glyph("btSutitKlasif"), close = glyph("btClose");
    EXPECT_EQ(glyph("btExportAtlikumi"), send);
    EXPECT_TRUE(send != close && glyph("btSutitKlasif", QIcon::Disabled) != send &&
                glyph("btClose", QIcon::Disabled) != close);
    for (const QImage& image : {send, close}) {
        int opaque = 0;
        for (int i = 0; i < 256; ++i) opaque += qAlpha(image.pixel(i % 16, i / 16)) > 200;
        EXPECT_GT(opaque, 60);  // drawn, not blank
    }
    const QString sheet = qApp->styleSheet(), style = QApplication::style()->name();
    EXPECT_THROW(ActivateVisualStyle("Windows Classic"), std::runtime_error);
    EXPECT_FALSE(sheet.isEmpty());
    EXPECT_EQ(qApp->styleSheet() + QApplication::style()->name(), sheet + style);
}

}  // namespace wwweksports::testing

namespace wwweksports::testing {

// "Drošība" sets the link's security mode and CA file, which the uploads take and the store
// keeps; "Atcelt" changes nothing, and the box shows how the last connection went.
TEST_F(Window, DrosibaSetsTheModeAndCaFileThatTheRunsTakeAndTheStoreKeeps) {
    const auto answer = [&](const char* mode, const QString& ca, bool accept) {
        QString lastLink;
        QTimer::singleShot(0, window.get(), [&] {
            auto* box = qobject_cast<SecurityDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(box->windowTitle(), "Drošība");
            auto* modes = box->findChild<QComboBox*>("cbMode");
            modes->setCurrentIndex(modes->findData(QString::fromLatin1(mode)));
            // The CA file counts only where the certificate is checked.
            EXPECT_EQ(box->findChild<QLineEdit*>("edCaFile")->isEnabled(),
                      QByteArray(mode).startsWith("verify"))
                << mode;
            box->findChild<QLineEdit*>("edCaFile")->setText(ca);
            lastLink = box->findChild<QLabel*>("lbLastLink")->text();
            accept ? box->accept() : box->reject();
        });
        find<QPushButton>("btDrosiba")->click();
        return lastLink;
    };
    EXPECT_EQ(window->inputs().tlsMode, "");  // nothing saved: the default
    EXPECT_EQ(answer("verify-ca", " /etc/hostings/ca.pem ", true), "vēl nav bijis");
    EXPECT_EQ(answer("disabled", "/cits.pem", false), "vēl nav bijis");
    EXPECT_EQ(window->inputs().tlsMode, "verify-ca");
    EXPECT_EQ(window->inputs().tlsCa, "/etc/hostings/ca.pem");
    window->reportLink("Savienojums ar db:3306 ir šifrēts (TLSv1.3, X)");
    window.reset();  // saves
    open();
    EXPECT_EQ(window->inputs().tlsMode, "verify-ca");
    EXPECT_EQ(window->inputs().tlsCa, "/etc/hostings/ca.pem");
    window->reportLink("Savienojums ar db:3306 ir šifrēts (TLSv1.3, X)");
    EXPECT_EQ(answer("required", "", true), "Savienojums ar db:3306 ir šifrēts (TLSv1.3, X)");
    EXPECT_EQ(window->inputs().tlsMode, "required");
}

}  // namespace wwweksports::testing
