// Which page of a program's help file belongs to which of its windows, and how the viewer is told
// to open that page.
#pragma once

#include <string>
#include <string_view>

namespace orvex {

enum class HelpBook { kOrvexSet, kOrvexFlash };

// The page (with its anchor, if any) for a window made from dialog template `dialog_id`; a window
// without a page of its own (the about box, an unknown id) gets the book's first page.
std::string_view HelpTopic(HelpBook book, int dialog_id);

// What the help viewer's display-topic command is given: the help file and the page inside it.
std::string HelpTarget(std::string_view help_path, std::string_view topic);

}  // namespace orvex
