#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTest>

#include "WindowTestSupport.h"

namespace wwweksports {
namespace {

using testing::FindControl;
using testing::ModalAnswerer;
using testing::WindowTest;

class Picker : public WindowTest {
protected:
    void SetUp() override {
        for (const char* name : {"Preces_web.xlsx", "GRUPAS_WEB.XLSX", "piezimes.txt"}) {
            QFile file(dir.filePath(QString::fromLatin1(name)));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        }
        window = makeWindow();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        field = FindControl<QLineEdit>(*window, "shExcelDir");
    }

    // Clicks "Excel failu katalogs"; `act` is called at every poll while the dialog is up and
    // closes it in the end.
    void pick(std::function<void(QFileDialog*)> act) {
        ModalAnswerer answerer(std::move(act));
        FindControl<QPushButton>(*window, "btExcelDir")->click();
    }

    static QLineEdit* NameEdit(QFileDialog* dialog) {
        return dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    }

    // Types a name into the dialog's file name field and presses Enter.
    void choose(const QString& name) {
        pick([&](QFileDialog* dialog) {
            dialog->setDirectory(dir.path());
            NameEdit(dialog)->setText(name);
            QTest::keyClick(NameEdit(dialog), Qt::Key_Return);
        });
    }

    QTemporaryDir tmp;
    QDir dir{tmp.path()};
    std::unique_ptr<TWWWEksports> window;
    QLineEdit* field = nullptr;
};

TEST_F(Picker, TheDialogAsksForAnXlsxFileStartingAtTheFieldsFile) {
    field->setText(dir.filePath("Preces_web.xlsx"));
    pick([this](QFileDialog* dialog) {
        EXPECT_EQ(dialog->windowTitle(), "Kur atrodas Excel fails ?");
        EXPECT_TRUE(dialog->testOption(QFileDialog::DontUseNativeDialog));
        EXPECT_EQ(dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"))->currentText(),
                  "XLSX FAILI");
        EXPECT_EQ(dialog->defaultSuffix(), "XLSX");
        EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptOpen);
        EXPECT_EQ(dialog->fileMode(), QFileDialog::AnyFile);
        EXPECT_EQ(QDir(dialog->directory()).canonicalPath(), dir.canonicalPath());
        EXPECT_EQ(NameEdit(dialog)->text(), "Preces_web.xlsx");
        dialog->reject();
    });
}

TEST_F(Picker, AChosenFileGoesIntoTheFieldAsItsFullPath) {
    choose(QStringLiteral("GRUPAS_WEB.XLSX"));
    EXPECT_EQ(field->text(), dir.filePath("GRUPAS_WEB.XLSX"));
}

TEST_F(Picker, ANameTypedWithoutExtensionGetsXlsx) {
    choose(QStringLiteral("Eksports"));
    EXPECT_EQ(field->text(), dir.filePath("Eksports.XLSX"));
}

TEST_F(Picker, CancellingLeavesTheFieldExactlyAsItWas) {
    for (const QString& before : {QString(), QStringLiteral(" /nekur/Preces_web.xlsx ")}) {
        field->setText(before);
        pick([this](QFileDialog* dialog) {
            dialog->setDirectory(dir.path());
            NameEdit(dialog)->setText(QStringLiteral("GRUPAS_WEB.XLSX"));
            dialog->reject();
        });
        EXPECT_EQ(field->text(), before);
    }
}

TEST_F(Picker, WorkbooksAreListedWhateverTheCaseOfTheirExtension) {
    field->setText(dir.filePath("Preces_web.xlsx"));
    QStringList listed;
    QStringList disabled;
    int polls = 0;
    pick([&](QFileDialog* dialog) {
        auto* view = dialog->findChild<QListView*>(QStringLiteral("listView"));
        const QAbstractItemModel* model = view->model();
        listed.clear();
        disabled.clear();
        for (int row = 0; row < model->rowCount(view->rootIndex()); ++row) {
            const QModelIndex index = model->index(row, 0, view->rootIndex());
            (model->flags(index).testFlag(Qt::ItemIsEnabled) ? listed : disabled)
                << index.data().toString();
        }
        // The directory is read in the background: wait for it, and give up after a while.
        if (listed.size() + disabled.size() >= 2 || ++polls > 2000) dialog->reject();
    });
    listed.sort();
    EXPECT_EQ(listed, QStringList({"GRUPAS_WEB.XLSX", "Preces_web.xlsx"}));
    EXPECT_FALSE(listed.contains("piezimes.txt"));
}

}  // namespace
}  // namespace wwweksports
