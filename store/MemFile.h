// VAK.MEM, the project header: a memory-variable file of the xBase family. Entries only,
// no file header and no end marker; each entry is a 32-byte header followed by its value:
//
//   0..10  name, upper case, zero-ended and zero-padded
//   11     type letter with the high bit set: 0xC3 "C" character, 0xCE "N" numeric
//   16,17  character value: length including its zero byte, low byte first; numeric: 0
//   32..   character value: text + zero byte; numeric: 8-byte little-endian IEEE double
//
// Texts are code page 949 bytes, passed through unchanged.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "common/UserNotifier.h"

namespace vak {

// The fifteen variables of the project header, in the order they are written.
inline constexpr std::array<const char*, 15> kHeaderVariables = {
    "CMN_AUTH", "CMN_CDNO", "CMN_COMP", "CMN_CONA", "CMN_DESC", "CMN_IPMT", "CMN_MAXD", "CMN_MRG",
    "CMN_MTNO", "CMN_NAME", "CMN_PRT",  "CMN_TEL",  "CMN_TOP",  "CMN_TYPE", "CMN_WRIT"};

enum HeaderVariable {
  kCmnAuth,
  kCmnCdno,
  kCmnComp,
  kCmnCona,
  kCmnDesc,
  kCmnIpmt,
  kCmnMaxd,
  kCmnMrg,
  kCmnMtno,
  kCmnName,
  kCmnPrt,
  kCmnTel,
  kCmnTop,
  kCmnType,
  kCmnWrit
};

using HeaderValues = std::array<std::string, 15>;

bool IsNumericHeaderVariable(int index);

// The value of the first variable called `name` (ASCII case ignored): a character value up
// to its zero byte, a numeric value in its general form ("250", "2.5"). Empty when the
// variable or the file is missing. Damaged files read up to the first damaged entry.
std::string ReadMemVar(const std::string& path, std::string_view name);
std::string ReadMemVarFromBytes(std::string_view bytes, std::string_view name);

// The bytes of a header file holding the fifteen variables; numeric values are read from
// their text. False when a character value is too long for its length field.
bool BuildMemFile(const HeaderValues& values, std::string& bytes);

// Replaces the header file at `path` in one step (see ReplaceFileContents): either the new
// file is complete on the disk or the old one is left as it was.
bool WriteMemFile(const std::string& path, const HeaderValues& values);

// The header as every save writes it: the agency's and the company's variables, the project
// type and the tender amount taken from `values`; the print variables (CMN_MAXD, CMN_MRG,
// CMN_PRT, CMN_TOP) "0" and CMN_WRIT empty.
HeaderValues HeaderAsSaved(HeaderValues values);

// Saves the project header into VAK.MEM of the data directory; on failure tells the user
// "정보 화일(<dir>/VAK.MEM를 저장할 수 없습니다." and returns false.
bool SaveProjectHeader(const std::string& dataDir, const HeaderValues& values, UserNotifier& notifier);

// How the project header could be read. Only a header read whole may be written back: a
// file that is damaged or cannot be read must never be replaced by one rebuilt from what
// little was understood of it.
enum class MemStatus {
  Ok,          // every entry read; variables not in the file are simply absent
  Missing,     // no VAK.MEM in the data directory
  NotAFile,    // a directory, pipe or device carries the name
  Unreadable,  // the operating system refused to read it
  Damaged,     // empty, cut short, an unknown entry type, or too large to be a header
};

struct ProjectHeader {
  std::string path;
  MemStatus status = MemStatus::Missing;
  HeaderValues values;             // empty texts for absent variables
  std::array<bool, 15> present{};  // which of the fifteen the file holds
  bool Whole() const { return status == MemStatus::Ok; }
};

// Reads every entry of a header file strictly; false, with `status` telling why, when the
// bytes are not a complete memory-variable file. A trailing fragment of end-of-file or zero
// bytes (shorter than an entry header) is accepted, as other tools write it.
bool ParseProjectHeader(std::string_view bytes, HeaderValues& values, std::array<bool, 15>& present);

// The project header of the data directory (VAK.MEM found without regard to case).
ProjectHeader LoadProjectHeader(const std::string& dataDir);

// What the user is told when a header is not whole, naming the file and the cause.
std::string HeaderProblemText(const ProjectHeader& header);

// Saves `values` over the header that was read whole, in one step; refuses (with the
// problem told) when `header` was not read whole, before anything is written.
bool SaveOverReadHeader(const std::string& dataDir, const ProjectHeader& header, const HeaderValues& values,
                        UserNotifier& notifier);

}  // namespace vak
