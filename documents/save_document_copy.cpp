#include "documents/save_document_copy.h"

#include <filesystem>
#include <system_error>

std::string ProposedCopyName(const std::string& path, const std::string& path_separator) {
    size_t at = path_separator.empty() ? std::string::npos : path.rfind(path_separator);
    return at == std::string::npos ? path : path.substr(at + path_separator.size());
}

void SaveDocumentCopy(const std::string& path, const std::string& path_separator,
                      Dialogs& dialogs) {
    std::optional<std::string> target =
        dialogs.ChooseSaveFile(ProposedCopyName(path, path_separator));
    if (!target || target->empty()) return;
    std::error_code ignored;
    std::filesystem::copy_file(path, *target, std::filesystem::copy_options::overwrite_existing,
                               ignored);
}
