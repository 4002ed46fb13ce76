#include "SheetHarness.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

using namespace veltra;
using veltra::testing::FileDialogs;
using veltra::testing::SheetHarness;
using veltra::testing::WaitFor;

namespace {

const char* const kTableFile =
    "# rows for the editing tests\r\n"
    ",0000,[SYS] Capacity,4,U,30000\r\n"
    ",0004,[SYS] Model,8,C,VT-AD100\r\n"
    ",0010,[SYS] Reserved,2,R,\r\n"
    ",0012,[LOG] Test year,1,U,26\r\n"
    ",0013,[log] Test month,1,U,12\r\n"
    ",0014,[CAL] Zero count,4,S,-12034\r\n";

constexpr int kReservedRow = 2;
constexpr int kLogRow = 3;
constexpr int kLowerLogRow = 4;

class ParameterEdit : public ::testing::Test {
protected:
    void SetUp() override
    {
        harness = std::make_unique<SheetHarness>(1);
        Load();
        EXPECT_FALSE(List().isEnabled());  // only Parameter Down Mode opens it
        harness->sheet->Controls().paramMode->click();
        ASSERT_TRUE(List().isEnabled());
    }

    void Load()
    {
        FileDialogs dialogs(harness->dir.Write("edit.vtp", kTableFile));
        harness->sheet->ChooseParameterFile();
        ASSERT_EQ(Table().rows.size(), 6u);
    }

    ParameterList& List() { return *harness->sheet->Controls().parameterList; }
    ParameterTable& Table() { return harness->sheet->Parameters(); }
    std::string Value(int row) { return Table().rows[static_cast<size_t>(row)].value; }
    std::string Shown(int row) { return List().topLevelItem(row)->text(7).toStdString(); }

    QPoint CellCentre(int row, int column)
    {
        const QModelIndex index = List().model()->index(row, column);
        List().scrollTo(index);
        return List().visualRect(index).center();
    }
    void DoubleClick(int row) { QTest::mouseDClick(List().viewport(), Qt::LeftButton, {}, CellCentre(row, 7)); }
    // The editor on show; a closed one is hidden until it is deleted later.
    QLineEdit* Editor()
    {
        for (QLineEdit* editor : List().viewport()->findChildren<QLineEdit*>())
            if (editor->isVisible())
                return editor;
        return nullptr;
    }
    QLineEdit* OpenEditor()
    {
        WaitFor([&] { return Editor() != nullptr; }, 2000);
        return Editor();
    }
    void Type(QLineEdit* editor, const char* text)
    {
        editor->selectAll();
        QTest::keyClicks(editor, QString::fromLatin1(text));
    }
    bool EditorClosed()
    {
        return WaitFor([&] { return !List().IsEditing() && !Editor(); }, 2000);
    }

    std::unique_ptr<SheetHarness> harness;
};

}  // namespace

TEST_F(ParameterEdit, EveryWayAnEditEndsKeepsTheTypedText)
{
    // Escape after a double click: the typed text stays.
    DoubleClick(0);
    QLineEdit* editor = OpenEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(List().IsEditing());
    EXPECT_EQ(editor->text(), "30000");
    EXPECT_TRUE(List().visualRect(List().model()->index(0, 7)).intersects(editor->geometry()));
    Type(editor, "45000");
    QTest::keyClick(editor, Qt::Key_Escape);
    ASSERT_TRUE(EditorClosed());
    EXPECT_EQ(Value(0), "45000");
    EXPECT_EQ(Shown(0), "45000");

    // Enter on the selected row starts an edit; Enter ends it. The text is
    // not checked: a wrong value is for a download to find.
    List().setCurrentItem(List().topLevelItem(5));
    QTest::keyClick(&List(), Qt::Key_Return);
    editor = OpenEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), "-12034");
    Type(editor, "minus five");
    QTest::keyClick(editor, Qt::Key_Return);
    ASSERT_TRUE(EditorClosed());
    EXPECT_EQ(Value(5), "minus five");

    // A click on another row ends it too.
    DoubleClick(1);
    editor = OpenEditor();
    ASSERT_NE(editor, nullptr);
    Type(editor, "VT-AD200");
    QTest::mouseClick(List().viewport(), Qt::LeftButton, {}, CellCentre(0, 1));
    ASSERT_TRUE(EditorClosed());
    EXPECT_EQ(Value(1), "VT-AD200");
    EXPECT_EQ(Shown(1), "VT-AD200");
    EXPECT_EQ(Value(0), "45000");  // the row clicked is untouched

    // A file read during an edit replaces the rows: the old editor's text
    // must not land in the new ones.
    DoubleClick(0);
    editor = OpenEditor();
    ASSERT_NE(editor, nullptr);
    Type(editor, "1");
    Load();
    EXPECT_TRUE(EditorClosed());
    EXPECT_EQ(Value(0), "30000");
    EXPECT_EQ(Shown(0), "30000");
}

TEST_F(ParameterEdit, ReservedAndLogRowsCannotBeEdited)
{
    for (const int row : {kReservedRow, kLogRow, kLowerLogRow}) {
        DoubleClick(row);
        List().setCurrentItem(List().topLevelItem(row));
        QTest::keyClick(&List(), Qt::Key_Return);
        QApplication::processEvents();
        EXPECT_FALSE(List().IsEditing()) << row;
        EXPECT_EQ(Editor(), nullptr) << row;
    }
    // Below the last row there is nothing to edit.
    const QPoint below(10, List().viewport()->height() - 3);
    ASSERT_EQ(List().itemAt(below), nullptr);
    QTest::mouseDClick(List().viewport(), Qt::LeftButton, {}, below);
    EXPECT_FALSE(List().IsEditing());
    EXPECT_EQ(Value(kLogRow), "26");
    EXPECT_EQ(Value(kReservedRow), "");

    // The editable rows next to them still open.
    DoubleClick(kLowerLogRow + 1);
    EXPECT_NE(OpenEditor(), nullptr);
}

TEST_F(ParameterEdit, CheckHeadingTicksEveryRowButReservedOnes)
{
    QHeaderView* header = List().header();
    const auto clickHeading = [&](int column) {
        const int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
    };
    const auto ticked = [&](int row) {
        return Table().rows[static_cast<size_t>(row)].checked &&
               List().topLevelItem(row)->checkState(0) == Qt::Checked;
    };

    clickHeading(4);  // any other heading does nothing
    for (int row = 0; row < 6; ++row)
        EXPECT_FALSE(ticked(row)) << row;
    clickHeading(0);
    for (int row = 0; row < 6; ++row)
        EXPECT_EQ(ticked(row), row != kReservedRow) << row;

    // A reserved row keeps its own tick either way.
    List().topLevelItem(kReservedRow)->setCheckState(0, Qt::Checked);
    EXPECT_TRUE(Table().rows[kReservedRow].checked);
    clickHeading(0);
    for (int row = 0; row < 6; ++row)
        EXPECT_EQ(ticked(row), row == kReservedRow) << row;

    // Out of Parameter Down Mode the list cannot be used at all.
    harness->sheet->Controls().paramMode->click();
    EXPECT_FALSE(List().isEnabled());
}
