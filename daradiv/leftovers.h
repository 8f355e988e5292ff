// Cleaning up at the start and at the end of a run: what a killed run left behind, and the
// catalogues the current information file no longer names.
#pragma once

#include <set>
#include <string>

namespace daradiv {

// The staged information file a run writes before it puts it in place.
inline constexpr const char* kStagedInformationFile = "sindexi.dat.new";

// Catalogue number of a file name "sindex" + N + ".dat" or "sindexc" + N + ".dat" (N from 1,
// no leading zeros); 0 for any other name.
int CatalogueNumberOf(const std::string& name);

// Removes the index generations other than the current one, the staged information file,
// and every catalogue file whose number is not in referenced.
void RemoveLeftovers(const std::string& app_dir, const std::set<int>& referenced);

// The largest catalogue number among the files in app_dir (0 when there is none).
int LargestCatalogueNumber(const std::string& app_dir);

}  // namespace daradiv
