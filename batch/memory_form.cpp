#include "memory_form.h"

namespace quillmar::batch {

namespace {
std::size_t idx(TextBox b)
{
    return static_cast<std::size_t>(b);
}
}  // namespace

MemoryForm::MemoryForm(int species, bool singleSite, LogSink& sink) : singleSite_(singleSite), sink_(sink)
{
    // The window's texts when it opens: "1" generation, every counter "0".
    texts_[idx(TextBox::txtNumPts)] = std::to_string(species);
    texts_[idx(TextBox::txtGenerations)] = "1";
    for (TextBox b : {TextBox::txtNumAv, TextBox::txtSize, TextBox::txtLowval, TextBox::txtLargest,
                      TextBox::txtIterate, TextBox::txtTotIter})
        texts_[idx(b)] = "0";
}

std::string MemoryForm::text(TextBox box) const
{
    return texts_[idx(box)];
}

void MemoryForm::setText(TextBox box, std::string_view text)
{
    // Setting the log is clearing it at Begin: nothing is kept to clear.
    if (box != TextBox::txtOutput)
        texts_[idx(box)] = text;
}

void MemoryForm::appendText(TextBox box, std::string_view tail)
{
    if (box == TextBox::txtOutput)
        sink_.logLine(tail);
    else
        texts_[idx(box)] += tail;
}

int MemoryForm::value(CheckBox box) const
{
    return box == CheckBox::chkRule2 && singleSite_ ? 1 : 0;
}

}  // namespace quillmar::batch
