#include "app/ResidualForm.h"

#include "tests/app/WidgetTestSupport.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTabWidget>

#include <gtest/gtest.h>

namespace kestrune {
namespace {

using testing::Find;

// The Data tab opens at the first line's start, however long its lines are.
TEST(ResidualFormTest, TheDataTabOpensAtItsStart) {
    TResidualTable residuals(2000);
    for (size_t line = 0; line < residuals.size(); ++line)
        residuals[line].fill({static_cast<float>(line % 7) - 3.0f, 12.0f});
    TFormResiduals form(nullptr, std::make_shared<TResidualTable>(residuals));
    form.resize(420, 320);
    form.show();
    Find<QTabWidget>(form, "PageControl")->setCurrentIndex(1);
    auto* memo = Find<QPlainTextEdit>(form, "MemoResiduals");
    testing::WaitFor([&] { return memo->isVisible(); });
    ASSERT_GT(memo->horizontalScrollBar()->maximum(), 0) << "the lines are wider than the tab";
    ASSERT_GT(memo->verticalScrollBar()->maximum(), 0) << "the lines are more than the tab shows";
    EXPECT_EQ(memo->horizontalScrollBar()->value(), 0);
    EXPECT_EQ(memo->verticalScrollBar()->value(), 0);
    EXPECT_EQ(memo->textCursor().position(), 0);
    EXPECT_EQ(memo->document()->blockCount(), static_cast<int>(ResidualLines(residuals).size()));
}

}  // namespace
}  // namespace kestrune
