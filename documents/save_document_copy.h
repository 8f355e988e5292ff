// Saving a copy of a result document where the user chooses.
#pragma once

#include <string>

#include "platform/dialogs.h"

// The name a copy of path is proposed under: the text after its last path_separator, or
// the whole path when it holds none.
std::string ProposedCopyName(const std::string& path, const std::string& path_separator);

// Asks for the target with the save chooser, proposing ProposedCopyName, and copies the
// document there, replacing an existing file without a question. A cancelled chooser does
// nothing; a failed copy is not reported.
void SaveDocumentCopy(const std::string& path, const std::string& path_separator, Dialogs& dialogs);
