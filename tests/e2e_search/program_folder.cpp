#include "tests/e2e_search/program_folder.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "config/indexer_config.h"
#include "platform/program_files.h"
#include "search/index_files.h"
#include "search/normalize.h"
#include "senna/senna.h"

namespace fs = std::filesystem;

ProgramFolder::ProgramFolder(const std::string& tag) {
    fs::path dir =
        fs::temp_directory_path() / ("ruvudar_" + tag + "_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir / "page");
    app_dir_ = dir.string() + "/";
}

ProgramFolder::~ProgramFolder() {
    std::error_code ignored;
    fs::remove_all(app_dir_, ignored);
}

std::string ProgramFolder::DocumentPath(const FixtureDocument& doc) const {
    return app_dir_ + "docs/" + doc.category + "/" + doc.name;
}

void ProgramFolder::Build(const std::vector<FixtureDocument>& docs, bool with_index) {
    IndexerConfig config;
    for (const FixtureDocument& doc : docs) {
        std::string folder = app_dir_ + "docs/" + doc.category + "/";
        bool known = false;
        for (const FolderRow& row : config.Folders) known = known || row.folder == folder;
        if (!known) config.Folders.push_back({folder, doc.category});
        fs::create_directories(folder);
        std::ofstream(DocumentPath(doc), std::ios::binary) << doc.text;
    }
    if (!WriteIndexerConfig(app_dir_ + program_files::kIndexerConfig, config))
        throw std::runtime_error("cannot write daradiv.ini");

    index_files::CatalogueWriter catalogue;
    catalogue.Open(app_dir_ + index_files::DisplayCatalogueName(1),
                   app_dir_ + index_files::FoldedCatalogueName(1), true);
    std::vector<std::string> lines;
    std::vector<std::pair<std::string, std::string>> folded;  // path and text, per key
    std::vector<bool> indexed;
    for (const FixtureDocument& doc : docs) {
        std::string path = DocumentPath(doc);
        std::string text = NormalizedCopy(doc.text);
        std::optional<index_files::RecordPlacement> at = catalogue.Append(path, text);
        if (!at) throw std::runtime_error("catalogue full");
        index_files::DocumentLine line;
        line.path = path;
        line.date = "20240105";
        line.extra = "0";
        line.size = static_cast<int64_t>(doc.text.size());
        line.catalogue = 1;
        line.path_length = at->path_length;
        line.text_length = at->text_length;
        line.offset = at->offset;
        std::optional<std::string> formatted = index_files::FormatDocumentLine(line);
        if (!formatted) throw std::runtime_error("document line not storable: " + path);
        lines.push_back(*formatted);
        folded.emplace_back(FoldedCopy(path), FoldedCopy(text));
        indexed.push_back(doc.name.rfind("unindexed", 0) != 0);
    }
    catalogue.Close();

    std::string info = app_dir_ + program_files::kInformationFile;
    std::string staged = info + ".new";
    index_files::FileIdentity identity = index_files::WriteStagedInformationFile(staged, lines);
    if (with_index) {
        std::string name = app_dir_ + program_files::kIndexName;
        sen_init();
        sen_index* index = sen_index_create_next(name.c_str(), 0);
        if (!index) throw std::runtime_error("cannot create the index");
        for (size_t i = 0; i < folded.size(); ++i) {
            if (!indexed[i]) continue;
            std::string key = std::to_string(i + 1);
            const auto& [p, t] = folded[i];
            sen_index_put(index, key.c_str(), p.data(), static_cast<unsigned>(p.size()), t.data(),
                          static_cast<unsigned>(t.size()));
        }
        sen_file_identity id = index_files::ToSenna(identity);
        sen_index_set_info_identity(index, &id);
        if (sen_index_publish(index) != sen_success) throw std::runtime_error("cannot publish");
        sen_fin();
    }
    index_files::PublishInformationFile(staged, info);
}
