// The recording window keeps the contract of the window it stands in for: an
// append is the same as setting the text with the tail added, and a message
// is on record while its modal loop runs.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "recording_form.h"

namespace quillmar::testing {
namespace {

TEST(RecordingForm, AnAppendLeavesWhatTheSameSetTextLeaves)
{
    const struct {
        TextBox box;
        std::string start;
        std::string tail;
        bool recordWrites;
    } cases[] = {
        {TextBox::txtOutput, "", "1.5\t\t3\r\n", true},
        {TextBox::txtOutput, "typed\r\n", "2\t\t1\r\n", true},
        {TextBox::txtTotIter, "0", "", true},
        {TextBox::txtOutput, "a", "b", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.start + c.tail);
        RecordingForm appended, set;
        for (RecordingForm* form : {&appended, &set}) {
            form->recordWrites = c.recordWrites;
            (*form)[c.box] = c.start;
        }
        appended.appendText(c.box, c.tail);
        set.setText(c.box, set.text(c.box) + c.tail);
        EXPECT_EQ(appended.texts, set.texts);
        EXPECT_EQ(appended.writes, set.writes);
        EXPECT_EQ(appended.writes.size(), c.recordWrites ? 1u : 0u);
    }
}

TEST(RecordingForm, AMessageIsOnRecordWhileItsLoopRuns)
{
    RecordingForm form;
    std::vector<std::vector<std::string>> seen;
    form.onMessage = [&] { seen.push_back(form.messages); };
    form.showMessage("first");
    form.showMessage("second");
    EXPECT_EQ(seen, (std::vector<std::vector<std::string>>{{"first"}, {"first", "second"}}));
}

}  // namespace
}  // namespace quillmar::testing
