// The real prompter: message boxes without icon owned by the main window,
// the name dialog staying open on a refusal, file dialogs as asked. Each
// modal window is handled once it shows; one left open fails the test.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include "platform/hwnd.h"
#include "platform/qt_prompter.h"
#include "qt_app_environment.h"
#include "when_shown.h"

namespace {

KAV_QT_TEST_APPLICATION(false);


class RealPrompter : public ::testing::Test {
protected:
    void SetUp() override {
        owner.show();
        g_hwnd = &owner;
    }
    void TearDown() override { g_hwnd = nullptr; }
    QWidget owner;
    QtPrompter prompter;
};

TEST_F(RealPrompter, MessagesHaveNoIconTheirButtonsAndTheMainWindowAsOwner) {
    struct Case {
        int buttons;
        QMessageBox::StandardButton press;
        int result;
        QMessageBox::StandardButtons shown;
    };
    const Case cases[] = {
        {MB_OK, QMessageBox::Ok, IDOK, QMessageBox::Ok},
        {MB_YESNO, QMessageBox::Yes, IDYES, QMessageBox::Yes | QMessageBox::No},
        {MB_YESNO, QMessageBox::No, IDNO, QMessageBox::Yes | QMessageBox::No},
    };
    for (const Case& c : cases) {
        QMessageBox::Icon icon = QMessageBox::Warning;
        QMessageBox::StandardButtons buttons;
        QWidget* parent = nullptr;
        QString title, text;
        WhenShown<QMessageBox>([&](QMessageBox* box) {
            icon = box->icon();
            buttons = box->standardButtons();
            parent = box->parentWidget();
            title = box->windowTitle();
            text = box->text();
            box->button(c.press)->click();
        });
        EXPECT_EQ(prompter.Message(QStringLiteral("保存しますか？"), QStringLiteral("保存確認"), c.buttons),
                  c.result);
        EXPECT_EQ(icon, QMessageBox::NoIcon);
        EXPECT_EQ(buttons, c.shown);
        EXPECT_EQ(parent, &owner);
        EXPECT_EQ(title, QStringLiteral("保存確認"));
        EXPECT_EQ(text, QStringLiteral("保存しますか？"));
    }
}

TEST_F(RealPrompter, TheNameDialogStaysOpenAndEmptyAfterARefusal) {
    QStringList checked;
    QString afterRefusal = QStringLiteral("unset");
    QString caption;
    WhenShown<QDialog>([&](QDialog* d) {
        caption = d->windowTitle();
        auto* edit = d->findChild<QLineEdit*>(QStringLiteral("1009"));
        auto* ok = d->findChild<QPushButton*>(QStringLiteral("1"));
        ASSERT_TRUE(edit && ok);
        edit->setText(QStringLiteral("taken"));
        ok->click();
        EXPECT_TRUE(d->isVisible());
        afterRefusal = edit->text();
        edit->setText(QStringLiteral("free"));
        ok->click();
    });
    const int r = prompter.AskName(QStringLiteral("名前を入力"), [&](const QString& t) {
        checked << t;
        return t == QStringLiteral("free");
    });
    EXPECT_EQ(r, IDOK);
    EXPECT_EQ(checked, (QStringList{QStringLiteral("taken"), QStringLiteral("free")}));
    EXPECT_EQ(afterRefusal, QString());
    EXPECT_EQ(caption, QStringLiteral("名前を入力"));

    for (const char* button : {"2", "close"}) {
        WhenShown<QDialog>([button](QDialog* d) {
            if (std::string(button) == "close")
                d->close();
            else
                d->findChild<QPushButton*>(QString::fromUtf8(button))->click();
        });
        EXPECT_EQ(prompter.AskName(QStringLiteral("名前を入力"), [](const QString&) { return true; }),
                  IDCANCEL);
    }
}

TEST_F(RealPrompter, TheFileDialogShowsTheQuestionAndReportsTheChoice) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    FileQuestion q;
    q.title = QStringLiteral("ファイル選択");
    q.filters = {QStringLiteral("*.mod (*.mod)"), QStringLiteral("全てのファイル (*)")};
    q.startDir = dir.path();
    q.save = true;
    QString title, folder;
    QStringList filters;
    WhenShown<QFileDialog>([&](QFileDialog* d) {
        title = d->windowTitle();
        folder = d->directory().absolutePath();
        filters = d->nameFilters();
        d->selectNameFilter(q.filters[1]);
        auto* name = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        name->setText(QStringLiteral("dance"));
        QMetaObject::invokeMethod(d, "accept");
    });
    const FileAnswer a = prompter.AskFile(q);
    EXPECT_TRUE(a.accepted);
    EXPECT_EQ(a.path, QDir(dir.path()).filePath(QStringLiteral("dance")));
    EXPECT_EQ(a.filterIndex, 1);
    EXPECT_EQ(title, q.title);
    EXPECT_EQ(QFileInfo(folder).canonicalFilePath(), QFileInfo(dir.path()).canonicalFilePath());
    EXPECT_EQ(filters, q.filters);

    WhenShown<QFileDialog>([](QFileDialog* d) { d->reject(); });
    EXPECT_FALSE(prompter.AskFile(q).accepted);
}

}  // namespace
