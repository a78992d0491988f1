// Kavconv's dialog driven through a scripted prompter: which questions it asks,
// with which texts, and what it writes.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QTimer>
#include <functional>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <deque>
#include <string>
#include <vector>

#include "conv.h"
#include "conv_fixture.h"
#include "dialog.h"
#include "prompter.h"
#include "qt_app_environment.h"
#include "when_shown.h"

using namespace convtest;
using kavconv::FileAnswer;
using kavconv::FileQuestion;

namespace {

// The widgets need an application, created when the first test runs (listing
// the tests needs none).
KAV_QT_TEST_APPLICATION(false);

// One question as the dialog asked it.
struct Asked {
    enum Kind { Open, Save, Notice, YesNo } kind;
    FileQuestion file;
    QString text, caption;
    QWidget* owner;
};

// Answers questions in order from a script; a question beyond the script fails
// the test and is answered with "cancel".
class ScriptedPrompter : public kavconv::Prompter {
public:
    struct Answer {
        FileAnswer file;
        bool yes = false;
    };
    std::deque<Answer> script;
    std::vector<Asked> asked;

    FileAnswer OpenFile(QWidget* owner, const FileQuestion& q) override {
        asked.push_back({Asked::Open, q, {}, {}, owner});
        return Next().file;
    }
    FileAnswer SaveFile(QWidget* owner, const FileQuestion& q) override {
        asked.push_back({Asked::Save, q, {}, {}, owner});
        return Next().file;
    }
    void Notice(QWidget* owner, const QString& text, const QString& caption) override {
        asked.push_back({Asked::Notice, {}, text, caption, owner});
    }
    bool AskYesNo(QWidget* owner, const QString& text, const QString& caption) override {
        asked.push_back({Asked::YesNo, {}, text, caption, owner});
        return Next().yes;
    }

private:
    Answer Next() {
        if (script.empty()) {
            ADD_FAILURE() << "unexpected question";
            return {};
        }
        Answer a = script.front();
        script.pop_front();
        return a;
    }
};

class ConvDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(WriteBytes(Path("MOTION.TXT"), DistinctLegacy()));
        ASSERT_TRUE(WriteBytes(Path("parts.prt"), NumberedPartList()));
        kavconv::ConvReset();
        kavconv::CurrentPath = dir.path();
        prompter.script.clear();
        prompter.asked.clear();
        kavconv::SetPrompter(&prompter);
        dialog = new kavconv::ConvDialog;
        finished = new QSignalSpy(dialog, &QDialog::finished);
        dialog->show();
    }
    void TearDown() override {
        kavconv::SetPrompter(nullptr);
        delete finished;
        delete dialog;
    }
    QString Path(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }
    QPushButton* Button(int id) const { return dialog->findChild<QPushButton*>(QString::number(id)); }
    QLineEdit* Edit(int id) const { return dialog->findChild<QLineEdit*>(QString::number(id)); }
    void Click(int id) { Button(id)->click(); }
    void Answer(const QString& path, int filter = 0) { prompter.script.push_back({{path, filter}, false}); }
    void AnswerYesNo(bool yes) { prompter.script.push_back({{}, yes}); }
    void ChooseBoth() {
        Answer(Path("MOTION.TXT"));
        Click(kavconv::IDC_TEXTOPEN);
        Answer(Path("parts.prt"));
        Click(kavconv::IDC_PRTOPEN);
        prompter.asked.clear();
    }
    bool Ended() const {
        return finished->count() == 1 && finished->at(0).at(0).toInt() == 0 && !dialog->isVisible();
    }

    QTemporaryDir dir;
    ScriptedPrompter prompter;
    kavconv::ConvDialog* dialog = nullptr;
    QSignalSpy* finished = nullptr;
};

TEST_F(ConvDialogTest, ShowsItsControls) {
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Kavconv"));
    EXPECT_EQ(Button(1)->text(), QStringLiteral("合成"));
    EXPECT_TRUE(Button(1)->isDefault());
    EXPECT_EQ(Button(1003)->text(), QStringLiteral("txtファイル読込"));
    EXPECT_EQ(Button(1004)->text(), QStringLiteral("prtファイル読込"));
    for (int id : {1001, 1002}) {
        ASSERT_NE(Edit(id), nullptr);
        EXPECT_TRUE(Edit(id)->isReadOnly());
        EXPECT_TRUE(Edit(id)->text().isEmpty());
    }
    // The path boxes sit left of the buttons that fill them, "合成" below all.
    EXPECT_LT(Edit(1001)->geometry().right(), Button(1003)->geometry().left());
    EXPECT_GT(Button(1)->geometry().top(), Edit(1002)->geometry().bottom());
    EXPECT_TRUE(dialog->rect().contains(Button(1)->geometry()));
}

TEST_F(ConvDialogTest, GouseiDoesNothingUntilBothInputsAreChosen) {
    struct Case {
        const char* what;
        bool text, prt;
    } cases[] = {{"neither", false, false}, {"motion only", true, false}, {"part list only", false, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        kavconv::ConvReset();
        kavconv::CurrentPath = dir.path();
        if (c.text) {
            Answer(Path("MOTION.TXT"));
            Click(kavconv::IDC_TEXTOPEN);
        }
        if (c.prt) {
            Answer(Path("parts.prt"));
            Click(kavconv::IDC_PRTOPEN);
        }
        prompter.asked.clear();
        Click(kavconv::IDC_GOUSEI);
        EXPECT_TRUE(prompter.asked.empty());
        EXPECT_EQ(finished->count(), 0);
    }
    EXPECT_EQ(Entries(dir.path()), (QStringList{QStringLiteral("MOTION.TXT"), QStringLiteral("parts.prt")}));
}

TEST_F(ConvDialogTest, OpenDialogsAskForTheirKindAndKeepThePathsCase) {
    Answer(Path("MOTION.TXT"));
    Click(kavconv::IDC_TEXTOPEN);
    Answer(Path("parts.prt"));
    Click(kavconv::IDC_PRTOPEN);
    ASSERT_EQ(prompter.asked.size(), 2u);
    for (const Asked& a : prompter.asked) {
        EXPECT_EQ(a.kind, Asked::Open);
        EXPECT_EQ(a.owner, dialog);
        EXPECT_EQ(a.file.title, QStringLiteral("ファイル選択"));
        EXPECT_EQ(a.file.selectedFilter, 0);
        EXPECT_EQ(a.file.directory, dir.path());
        EXPECT_TRUE(a.file.file.isEmpty());
    }
    EXPECT_TRUE(
        prompter.asked[0].file.filters.value(0).startsWith(QStringLiteral("テキストファイル (*.txt)")));
    EXPECT_TRUE(prompter.asked[1].file.filters.value(0).startsWith(QStringLiteral("PRTファイル (*.prt)")));
    EXPECT_EQ(Edit(1001)->text(), Path("MOTION.TXT"));
    EXPECT_EQ(Edit(1002)->text(), Path("parts.prt"));
    EXPECT_EQ(kavconv::textFileName, QStringLiteral("motion.txt"));
    EXPECT_EQ(kavconv::flg1, 1);
    EXPECT_EQ(kavconv::flg2, 1);

    // The next open dialog starts at the last file; cancelling changes nothing.
    Answer(QString());
    Click(kavconv::IDC_TEXTOPEN);
    EXPECT_EQ(prompter.asked.back().file.file, Path("MOTION.TXT"));
    EXPECT_EQ(Edit(1001)->text(), Path("MOTION.TXT"));
    EXPECT_EQ(kavconv::flg1, 1);
    EXPECT_EQ(finished->count(), 0);
}

TEST_F(ConvDialogTest, WrongFileTypeEndsTheProgram) {
    struct Case {
        int button;
        const char* file;
    } cases[] = {{kavconv::IDC_TEXTOPEN, "motion.dat"},
                 {kavconv::IDC_TEXTOPEN, "parts.prt"},
                 {kavconv::IDC_PRTOPEN, "MOTION.TXT"},
                 {kavconv::IDC_PRTOPEN, "parts.prt.bak"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.button) + " " + c.file);
        TearDown();
        SetUp();
        Answer(Path(c.file));
        Click(c.button);
        ASSERT_EQ(prompter.asked.size(), 2u);
        EXPECT_EQ(prompter.asked[1].kind, Asked::Notice);
        EXPECT_EQ(prompter.asked[1].text, QStringLiteral("ファイルが開けません"));
        EXPECT_EQ(prompter.asked[1].caption, QStringLiteral("エラー"));
        EXPECT_EQ(prompter.asked[1].owner, dialog);
        EXPECT_TRUE(Ended());
        EXPECT_TRUE(Edit(1001)->text().isEmpty() && Edit(1002)->text().isEmpty());
    }
}

TEST_F(ConvDialogTest, SaveNameGetsModWhenThatFilterIsLeftSelected) {
    struct Case {
        const char* typed;
        int filter;
        const char* written;
    } cases[] = {{"Dance.MOD", 0, "dance.mod"},
                 {"dance", 0, "dance.mod"},
                 {"dance", 1, "dance"},
                 {"Dance.MOD", 1, "dance.mod"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.typed) + " filter " + std::to_string(c.filter));
        QTemporaryDir out;
        ChooseBoth();
        Answer(out.filePath(QString::fromUtf8(c.typed)), c.filter);
        Click(kavconv::IDC_GOUSEI);
        ASSERT_EQ(prompter.asked.size(), 1u);
        const Asked& save = prompter.asked[0];
        EXPECT_EQ(save.kind, Asked::Save);
        EXPECT_EQ(save.owner, dialog);
        EXPECT_EQ(save.file.title, QStringLiteral("ファイル選択"));
        EXPECT_EQ(save.file.filters.size(), 2);
        EXPECT_TRUE(save.file.filters.value(0).startsWith(QStringLiteral("*.mod (*.mod)")));
        EXPECT_TRUE(save.file.filters.value(1).startsWith(QStringLiteral("全てのファイル")));
        EXPECT_EQ(save.file.selectedFilter, 0);
        EXPECT_EQ(Entries(out.path()), QStringList{QString::fromUtf8(c.written)});
        EXPECT_EQ(ReadBytes(out.filePath(QString::fromUtf8(c.written))).size(), kOutputBytes);
        EXPECT_EQ(finished->count(), 0);
    }
}

TEST_F(ConvDialogTest, OverwriteIsAskedAboutTheFileReallyWritten) {
    QTemporaryDir out;
    const QString target = out.filePath(QStringLiteral("dance.mod"));
    ASSERT_TRUE(WriteBytes(target, "old"));
    ChooseBoth();
    // "dance" becomes dance.mod, which exists: No goes back to the save dialog.
    Answer(out.filePath(QStringLiteral("dance")));
    AnswerYesNo(false);
    Answer(QString());
    Click(kavconv::IDC_GOUSEI);
    ASSERT_EQ(prompter.asked.size(), 3u);
    EXPECT_EQ(prompter.asked[1].kind, Asked::YesNo);
    EXPECT_TRUE(prompter.asked[1].text.contains(QStringLiteral("dance.mod")));
    EXPECT_TRUE(prompter.asked[1].text.contains(QStringLiteral("上書きしますか")));
    EXPECT_EQ(prompter.asked[2].kind, Asked::Save);
    EXPECT_EQ(prompter.asked[2].file.file, out.filePath(QStringLiteral("dance")));
    EXPECT_EQ(ReadBytes(target), QByteArray("old"));

    prompter.asked.clear();
    Answer(out.filePath(QStringLiteral("Dance.MOD")));
    AnswerYesNo(true);
    Click(kavconv::IDC_GOUSEI);
    EXPECT_EQ(prompter.asked.size(), 2u);
    EXPECT_EQ(ReadBytes(target).size(), kOutputBytes);
}

TEST_F(ConvDialogTest, EveryConversionRereadsBothInputs) {
    QTemporaryDir out;
    ChooseBoth();
    Answer(out.filePath(QStringLiteral("a.mod")));
    Click(kavconv::IDC_GOUSEI);
    ASSERT_TRUE(WriteBytes(Path("parts.prt"), "changed.x\n"));
    Answer(out.filePath(QStringLiteral("b.mod")));
    // Enter presses the default button.
    QTest::keyClick(dialog, Qt::Key_Return);
    ASSERT_EQ(prompter.asked.size(), 2u);
    EXPECT_EQ(prompter.asked[1].file.file, out.filePath(QStringLiteral("a.mod")));
    QByteArray a = ReadBytes(out.filePath(QStringLiteral("a.mod")));
    QByteArray b = ReadBytes(out.filePath(QStringLiteral("b.mod")));
    ASSERT_EQ(b.size(), kOutputBytes);
    // Record 1 is part 1, whose X file is line 1.
    EXPECT_EQ(a.mid(259 + kRecord + 16267, 9), QByteArray("line01.x\0", 9));
    EXPECT_EQ(b.mid(259 + kRecord + 16267, 10), QByteArray("changed.x\0", 10));
    EXPECT_EQ(b.mid(259 + 2 * kRecord + 16267, 1), QByteArray(1, '\0'));
}

TEST_F(ConvDialogTest, UnreadableInputIsReportedAndNothingIsAskedOrWritten) {
    ChooseBoth();
    ASSERT_TRUE(WriteBytes(Path("MOTION.TXT"), QByteArray(100, '\0')));
    Click(kavconv::IDC_GOUSEI);
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_EQ(prompter.asked[0].kind, Asked::Notice);
    EXPECT_EQ(prompter.asked[0].caption, QStringLiteral("エラー"));
    EXPECT_TRUE(prompter.asked[0].text.contains(QStringLiteral("MOTION.TXT")));
    EXPECT_TRUE(prompter.asked[0].text.contains(QStringLiteral("158800")));
    EXPECT_EQ(finished->count(), 0);

    prompter.asked.clear();
    QFile::remove(Path("parts.prt"));
    ASSERT_TRUE(WriteBytes(Path("MOTION.TXT"), DistinctLegacy()));
    Click(kavconv::IDC_GOUSEI);
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_TRUE(prompter.asked[0].text.contains(QStringLiteral("parts.prt")));
    EXPECT_EQ(Entries(dir.path()), QStringList{QStringLiteral("MOTION.TXT")});
}

TEST_F(ConvDialogTest, FailedSaveIsReported) {
    QTemporaryDir out;
    ASSERT_TRUE(QDir(out.path()).mkdir(QStringLiteral("taken.mod")));
    ChooseBoth();
    Answer(out.filePath(QStringLiteral("taken")));
    AnswerYesNo(true);
    Click(kavconv::IDC_GOUSEI);
    ASSERT_EQ(prompter.asked.size(), 3u);
    EXPECT_EQ(prompter.asked[2].kind, Asked::Notice);
    EXPECT_TRUE(prompter.asked[2].text.contains(QStringLiteral("taken.mod")));
    EXPECT_EQ(Entries(out.path()), QStringList{QStringLiteral("taken.mod")});
}

TEST_F(ConvDialogTest, EscAndTheCloseBoxEndTheDialog) {
    QTest::keyClick(dialog, Qt::Key_Escape);
    EXPECT_TRUE(Ended());
    TearDown();
    SetUp();
    dialog->close();
    EXPECT_TRUE(Ended());
    // Ids without a command of their own end it too.
    TearDown();
    SetUp();
    dialog->DialogProc1(2);
    EXPECT_TRUE(Ended());
    EXPECT_TRUE(prompter.asked.empty());
}

// The real prompter: the modal window it opens, handled as the user would once
// it shows (WhenShown).

// Types a name into the file dialog's name box, as the user does.
void TypeName(QFileDialog* d, const QString& name) {
    auto* edit = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(edit, nullptr);
    edit->setText(name);
}

class QtPrompterTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        owner.show();
    }
    QTemporaryDir dir;
    QWidget owner;
    kavconv::QtPrompter prompter;
};

TEST_F(QtPrompterTest, FileDialogsShowTheirTitleAndFilterLabelsAndReportTheFilterKept) {
    FileQuestion q;
    q.title = QStringLiteral("ファイル選択");
    q.filters = {QStringLiteral("*.mod (*.mod)"), QStringLiteral("全てのファイル (*)")};
    q.directory = dir.path();
    for (int filter : {0, 1}) {
        SCOPED_TRACE(filter);
        QString shownFilter, shownTitle;
        QWidget* parent = nullptr;
        WhenShown<QFileDialog>([&](QFileDialog* d) {
            shownTitle = d->windowTitle();
            shownFilter = d->selectedNameFilter();
            parent = d->parentWidget();
            d->selectNameFilter(q.filters[filter]);
            TypeName(d, QStringLiteral("dance"));
            static_cast<QDialog*>(d)->accept();
        });
        FileAnswer a = prompter.SaveFile(&owner, q);
        EXPECT_EQ(shownTitle, QStringLiteral("ファイル選択"));
        EXPECT_EQ(shownFilter, QStringLiteral("*.mod"));
        EXPECT_EQ(parent, &owner);
        EXPECT_EQ(a.path, dir.filePath(QStringLiteral("dance")));
        EXPECT_EQ(a.filter, filter);
    }

    ASSERT_TRUE(WriteBytes(dir.filePath(QStringLiteral("m.txt")), "x"));
    q.filters = {QStringLiteral("テキストファイル (*.txt)"), QStringLiteral("全てのファイル (*)")};
    q.file = dir.filePath(QStringLiteral("m.txt"));
    QString shownFilter;
    WhenShown<QFileDialog>([&](QFileDialog* d) {
        shownFilter = d->selectedNameFilter();
        TypeName(d, QStringLiteral("m.txt"));
        static_cast<QDialog*>(d)->accept();
    });
    FileAnswer a = prompter.OpenFile(&owner, q);
    EXPECT_EQ(shownFilter, QStringLiteral("テキストファイル"));
    EXPECT_EQ(a.path, dir.filePath(QStringLiteral("m.txt")));
}

TEST_F(QtPrompterTest, MessagesHaveNoIconAndTheirCaption) {
    struct Case {
        bool question;
        QMessageBox::StandardButton press;
        bool want;
    } cases[] = {
        {false, QMessageBox::Ok, false}, {true, QMessageBox::Yes, true}, {true, QMessageBox::No, false}};
    for (const Case& c : cases) {
        QMessageBox::Icon icon = QMessageBox::Warning;
        QString title, text;
        QWidget* parent = nullptr;
        int buttons = 0;
        WhenShown<QMessageBox>([&](QMessageBox* b) {
            icon = b->icon();
            title = b->windowTitle();
            text = b->text();
            parent = b->parentWidget();
            buttons = static_cast<int>(b->buttons().size());
            b->button(c.press)->click();
        });
        bool answer = false;
        if (c.question)
            answer =
                prompter.AskYesNo(&owner, QStringLiteral("上書きしますか？"), QStringLiteral("ファイル選択"));
        else
            prompter.Notice(&owner, QStringLiteral("ファイルが開けません"), QStringLiteral("エラー"));
        EXPECT_EQ(icon, QMessageBox::NoIcon);
        EXPECT_EQ(title, c.question ? QStringLiteral("ファイル選択") : QStringLiteral("エラー"));
        EXPECT_EQ(text,
                  c.question ? QStringLiteral("上書きしますか？") : QStringLiteral("ファイルが開けません"));
        EXPECT_EQ(parent, &owner);
        EXPECT_EQ(buttons, c.question ? 2 : 1);
        EXPECT_EQ(answer, c.want);
    }
}

}  // namespace
