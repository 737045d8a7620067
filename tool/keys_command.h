// `tessel keys`: the vocabulary as a project file spells it, as a table or as the settings
// reference (docs/settings.md is its --markdown output).
#pragma once
#include <ostream>

namespace tessel {

// Prints every key: number, vocabulary name, type and where a project file sets it.
void printKeyTable(std::ostream& out);
// The settings reference in Markdown: every key, the message names and the tables the tool
// reads itself ([identity], [signing], [[embed]]).
void printSettingsMarkdown(std::ostream& out);

}  // namespace tessel
