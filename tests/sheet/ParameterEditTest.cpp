#include "SheetHarness.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

using namespace veltra;
using namespace veltra::testing;

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
        harness->Controls().paramMode->click();
    }
    void Load()
    {
        harness->LoadParameters(kTableFile);
        ASSERT_EQ(Table().rows.size(), 6u);
    }

    ParameterList& List() { return *harness->Controls().parameterList; }
    ParameterTable& Table() { return harness->sheet->Parameters(); }
    std::vector<std::string> Values()
    {
        std::vector<std::string> values;
        for (int row = 0; row < List().topLevelItemCount(); ++row) {
            values.push_back(List().topLevelItem(row)->text(7).toStdString());
            EXPECT_EQ(Table().rows[static_cast<size_t>(row)].value, values.back()) << row;
        }
        return values;
    }
    QPoint CellCentre(int row, int column)
    {
        const QModelIndex index = List().model()->index(row, column);
        List().scrollTo(index);
        return List().visualRect(index).center();
    }
    void DoubleClick(int row) { QTest::mouseDClick(List().viewport(), Qt::LeftButton, {}, CellCentre(row, 7)); }
    void PressEnterOn(int row)
    {
        List().setCurrentItem(List().topLevelItem(row));
        QTest::keyClick(&List(), Qt::Key_Return);
    }
    // The editor on show; a closed one is hidden until it is deleted later.
    QLineEdit* Editor()
    {
        for (QLineEdit* editor : List().viewport()->findChildren<QLineEdit*>())
            if (editor->isVisible())
                return editor;
        return nullptr;
    }

    std::unique_ptr<SheetHarness> harness;
};

}  // namespace

// However an edit ends, the typed text stays: Escape, Enter, or a click on
// another row. The text is not checked: a wrong value is for a download to
// find. A file read during an edit replaces the rows, and the old editor's
// text must not land in the new ones. Reserved and log rows, and the space
// below the last row, open no editor.
TEST_F(ParameterEdit, EditsKeepTheTypedTextOnlyValueRowsOpenAndTheHeadingTicks)
{
    const std::vector<std::string> fromFile = Values();
    const QPoint below(10, List().viewport()->height() - 3);
    ASSERT_EQ(List().itemAt(below), nullptr);
    for (const int row : {kReservedRow, kLogRow, kLowerLogRow, -1}) {  // -1: below the last row
        if (row < 0) {
            QTest::mouseDClick(List().viewport(), Qt::LeftButton, {}, below);
        } else {
            DoubleClick(row);
            PressEnterOn(row);
        }
        QApplication::processEvents();
        EXPECT_FALSE(List().IsEditing()) << row;
        EXPECT_EQ(Editor(), nullptr) << row;
    }

    const struct {
        int row;
        bool byEnter;  // else by a double click
        const char* typed;
        std::function<void(QLineEdit*)> end;
        bool kept;
    } cases[] = {
        {0, false, "45000", [](QLineEdit* editor) { QTest::keyClick(editor, Qt::Key_Escape); }, true},
        {5, true, "minus five", [](QLineEdit* editor) { QTest::keyClick(editor, Qt::Key_Return); }, true},
        {1, false, "VT-AD200",
         [this](QLineEdit*) { QTest::mouseClick(List().viewport(), Qt::LeftButton, {}, CellCentre(0, 1)); }, true},
        {0, false, "1", [this](QLineEdit*) { Load(); }, false},
    };
    for (const auto& c : cases) {
        std::vector<std::string> expected = Values();
        if (c.byEnter)
            PressEnterOn(c.row);
        else
            DoubleClick(c.row);
        ASSERT_TRUE(RunUntil([&] { return Editor() != nullptr; }, 2000)) << c.typed;
        QLineEdit* editor = Editor();
        EXPECT_TRUE(List().IsEditing());
        EXPECT_EQ(editor->text().toStdString(), expected[static_cast<size_t>(c.row)]);
        EXPECT_TRUE(List().visualRect(List().model()->index(c.row, 7)).intersects(editor->geometry()));
        editor->selectAll();
        QTest::keyClicks(editor, QString::fromLatin1(c.typed));
        c.end(editor);
        ASSERT_TRUE(RunUntil([&] { return !List().IsEditing() && !Editor(); }, 2000)) << c.typed;
        expected[static_cast<size_t>(c.row)] = c.typed;
        EXPECT_EQ(Values(), c.kept ? expected : fromFile) << c.typed;
    }

    // The tick heading ticks every row but the reserved one, which keeps its
    // own tick either way; any other heading does nothing.
    QHeaderView* header = List().header();
    const auto clickHeading = [&](int column) {
        const int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
    };
    // The rows' ticks, "1" or "0", as the table and the list both hold them.
    const auto ticks = [&] {
        std::string marks;
        for (int row = 0; row < 6; ++row) {
            const bool ticked = Table().rows[static_cast<size_t>(row)].checked;
            EXPECT_EQ(List().topLevelItem(row)->checkState(0), ticked ? Qt::Checked : Qt::Unchecked) << row;
            marks += ticked ? '1' : '0';
        }
        return marks;
    };
    clickHeading(4);
    EXPECT_EQ(ticks(), "000000");
    clickHeading(0);
    EXPECT_EQ(ticks(), "110111");
    List().topLevelItem(kReservedRow)->setCheckState(0, Qt::Checked);
    EXPECT_EQ(ticks(), "111111");
    clickHeading(0);
    EXPECT_EQ(ticks(), "001000");
}
