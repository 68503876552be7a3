// The time series of a run: a .vtu file per frame and the ParaView collection that lists them,
// taken over from the disk by the first frame of a session so that a resumed run continues it.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/read_file.hpp"
#include "core/replace_file.hpp"
#include "export/export.hpp"
#include "export/text.hpp"

namespace tivor {
namespace {

namespace fs = std::filesystem;

// A collection larger than this is no series of ours (some 800 000 frames).
constexpr uint64_t kMaxCollection = 64u << 20;

constexpr const char* kHead =
    "<?xml version=\"1.0\"?>\n"
    "<VTKFile type=\"Collection\" version=\"1.0\" byte_order=\"LittleEndian\">\n"
    "  <Collection>\n";
constexpr const char* kTail = "  </Collection>\n</VTKFile>\n";
constexpr const char* kEntry = "    <DataSet timestep=\"";
constexpr const char* kEntryFile = "\" part=\"0\" file=\"";

// The data file's name in characters every file system takes.
std::string series_name(const Session& s) {
  std::string name = fs::path(field_str(s.cls.datfile)).stem().string();
  for (char& c : name) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '-' || c == '_';
    if (!plain) c = '_';
  }
  return name.empty() ? "tivor" : name;
}

// The step of a frame file NAME_NNNNN.vtu; false for any other name.
bool frame_step(const std::string& file, const std::string& name, int32_t& step) {
  const std::string ext = ".vtu";
  if (file.size() < name.size() + 1 + 5 + ext.size() || file.compare(0, name.size(), name) != 0 ||
      file[name.size()] != '_' || file.compare(file.size() - ext.size(), ext.size(), ext) != 0) {
    return false;
  }
  const std::string digits = file.substr(name.size() + 1, file.size() - name.size() - 1 - 4);
  if (digits.size() > 10) return false;
  int64_t v = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  if (v > INT32_MAX) return false;
  step = static_cast<int32_t>(v);
  return true;
}

// The entries of NAME.pvd in folder, those whose files are gone left out; notice says when the
// file was not a collection of ours or listed missing files.
std::vector<TimeSeries::Entry> earlier_frames(const fs::path& dir, const std::string& name,
                                              std::string& notice) {
  std::vector<TimeSeries::Entry> entries;
  const fs::path pvd = dir / (name + ".pvd");
  std::error_code ec;
  if (!fs::exists(pvd, ec)) return entries;
  std::vector<uint8_t> bytes;
  if (!read_whole_file(pvd.string(), bytes, kMaxCollection) ||
      !read_collection(std::string(bytes.begin(), bytes.end()), name, entries)) {
    notice = "export: " + pvd.string() + " is not a series of this program and is replaced";
    entries.clear();
    return entries;
  }
  const size_t listed = entries.size();
  std::erase_if(entries, [&](const TimeSeries::Entry& e) { return !fs::exists(dir / e.file, ec); });
  if (entries.size() < listed) {
    notice = "export: ";
    export_text::put(notice, listed - entries.size(), " frames of ", pvd.string(),
                     " have no file and are dropped");
  }
  return entries;
}

}  // namespace

std::string collection_text(const std::vector<TimeSeries::Entry>& entries) {
  std::string out = kHead;
  for (const TimeSeries::Entry& e : entries) {
    export_text::put(out, kEntry, export_text::real(e.time), kEntryFile, e.file, "\"/>\n");
  }
  out += kTail;
  return out;
}

bool read_collection(const std::string& text, const std::string& name,
                     std::vector<TimeSeries::Entry>& entries) {
  entries.clear();
  const std::string head = kHead, tail = kTail, entry = kEntry, entry_file = kEntryFile;
  if (text.compare(0, head.size(), head) != 0) return false;
  size_t p = head.size();
  while (text.compare(p, entry.size(), entry) == 0) {
    p += entry.size();
    const size_t time_end = text.find(entry_file, p);
    if (time_end == std::string::npos) return false;
    const std::string time = text.substr(p, time_end - p);
    p = time_end + entry_file.size();
    const size_t file_end = text.find("\"/>\n", p);
    if (file_end == std::string::npos) return false;
    TimeSeries::Entry e{0, 0.0, text.substr(p, file_end - p)};
    p = file_end + 4;
    char* end = nullptr;
    e.time = std::strtod(time.c_str(), &end);
    if (time.empty() || end != time.c_str() + time.size() || !std::isfinite(e.time) ||
        !frame_step(e.file, name, e.step) || (!entries.empty() && e.step <= entries.back().step)) {
      return false;
    }
    entries.push_back(std::move(e));
  }
  // Only the exact text this program writes is taken over.
  return text.size() == p + tail.size() && collection_text(entries) == text;
}

bool TimeSeries::add(const Session& s, std::string& error, std::string* notice) {
  ExportMesh mesh;
  if (!export_mesh(s, mesh, error)) return false;
  const std::string name = series_name(s);
  char file[128];
  std::snprintf(file, sizeof file, "%s_%05d.vtu", name.c_str(), mesh.step);
  std::error_code ec;
  fs::create_directories(folder_, ec);
  const fs::path dir(folder_);
  auto found = series_.find(name);
  if (found == series_.end()) {
    // The first frame of the session: what a killed write left goes, what an earlier session
    // listed stays.
    remove_stale_temporaries(folder_);
    std::string told;
    found = series_.emplace(name, earlier_frames(dir, name, told)).first;
    if (notice != nullptr) *notice = told;
  }
  std::vector<Entry>& entries = found->second;
  std::vector<std::string> dropped;
  while (!entries.empty() &&
         (entries.back().step >= mesh.step || (resume_ && entries.back().step > *resume_))) {
    if (entries.back().file != file) dropped.push_back(entries.back().file);
    entries.pop_back();
  }
  resume_.reset();
  if (!put_export_file((dir / file).string(), vtu_text(mesh), error)) return false;
  entries.push_back({mesh.step, mesh.time, file});
  if (!put_export_file((dir / (name + ".pvd")).string(), collection_text(entries), error)) {
    return false;
  }
  // Removed only once the collection no longer lists them.
  for (const std::string& f : dropped) fs::remove(dir / f, ec);
  return true;
}

}  // namespace tivor
