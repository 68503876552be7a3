// The picture librarian: libraries of frames (page images of the open page with a header), their
// directory, listing, showing one by one or as a movie, saving and deleting. Library files live
// in "lbr/" with the extension "lbr"; every change is written to a temporary file that then
// replaces the library, so a failed change leaves the library as it was.
#pragma once

#include <cstdint>
#include <istream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/replace_file.hpp"
#include "core/session.hpp"

namespace tivor {

// ---- frame records: int32 n + 44, int32 n, the 40-byte header, n image bytes, int32 n + 44 ----

// Reads frame records one after another from a stream (the library file opened for reading).
class FrameReader {
 public:
  explicit FrameReader(std::istream& in) : in_(in) {}
  // The next record; false at the end of the file, and also (damaged() then true) at a record
  // that ends early, whose lengths disagree, or whose image is larger than 32000 bytes.
  bool next(FrameHeader& head, std::vector<uint8_t>& image);
  bool damaged() const { return damaged_; }
  // Bytes of the whole records read so far.
  uint64_t offset() const { return offset_; }

 private:
  std::istream& in_;
  bool damaged_ = false;
  uint64_t offset_ = 0;
};

// Appends one frame record to out.
void append_frame_record(std::vector<uint8_t>& out, const FrameHeader& head,
                         std::span<const uint8_t> image);

// The directory of a library read from its bytes: the headers of at most limit frames, word 3
// set to the image size read; damaged is set when reading stopped at a damaged record.
struct Directory {
  std::vector<FrameHeader> heads;
  bool damaged = false;
};
Directory read_directory(std::istream& in, int limit);

// A library file read whole before it is changed: its bytes and every record in it, however many.
// bad is the number of the first record that could not be read (a damaged record or a partial
// tail), 0 when every byte of the file belongs to a whole record; a file that cannot be opened
// is bad at record 1. A change is made only to a file read whole, so that nothing of it is lost.
struct LibraryFile {
  std::vector<uint8_t> bytes;
  std::vector<FrameHeader> heads;
  std::vector<size_t> starts;  // offset of each record in bytes
  int bad = 0;
  // The image of record i (0-based).
  std::span<const uint8_t> image(size_t i) const;
};
LibraryFile read_library(const std::string& file);
// The same on the bytes of a file.
LibraryFile parse_library(std::vector<uint8_t> bytes);

// ---- the librarian (all messages through the console) ----

// The librarian menu; t is the model time of the current picture.
void apict1(Session& s, float t);
// Appends the open page as a frame; igiven = 0 asks for the frame name, otherwise name is used.
// False when no frame was written (no library file, no name given, or a failure reported).
bool apsave(Session& s, float t, std::string_view name, int igiven);
// Mode 0 reads the library and rebuilds the directory; mode 1 lists it.
void aplpds(Session& s, int mode);
// Shows frames on the open page: mode 1 asks for the range, mode 0 plays all as a movie.
void apfile(Session& s, int mode);
// Deletes a range of frames asked for.
void apdele(Session& s);
// The library-chosen mark (kLibraryChosen while one is chosen) and the library-changed flag.
void plib_tst(const Session& s, int& ichosen, int& ichanged);

}  // namespace tivor
