// What belongs to a tender directory, and the rules that keep it whole: outputs never named
// after its files, what a killed run left finished or cleared away, read-only files refused
// alike everywhere.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "common/UserNotifier.h"

namespace vak {

// Why `output` (a PDF, a CSV, any export) must not be written: it carries the name (in any
// case, also through a link) of a tender's data file, index, report table, kept copy or commit
// record, in whatever directory; it is one of the files of `tenderDirs` (or their originals)
// under another name; another program holds it; or it is a directory or a device. Empty when
// it may be written. Checked before anything is written.
std::string OutputPathProblem(const std::string& output, const std::vector<std::string>& tenderDirs);

// Finishes a commit a killed run left in `dataDir` and removes what killed runs of the program
// left there (temporary files "*.new~", carry scratch directories). Only while nobody else
// holds the table: a running program's files are its own. False, the user told, when an
// interrupted commit could not be finished.
bool TidyDataDirectory(const std::string& dataDir, UserNotifier& notifier);

// "…\n중단된 저장을 마무리하지 못했습니다 …": the message for a commit that could not be finished.
std::string InterruptedCommitText(const std::string& dataDir, const std::string& detail);

// "…\n화일을 바꿔 쓰는 중에 멈췄습니다 …": a commit whose record stands but whose renames failed;
// the next start finishes it.
std::string UnfinishedCommitText(const std::string& dataDir, const std::string& detail);

class DbfFile;
// What the program would refuse in an open statement table: what the lenient reader had to
// overlook (a cut table, a record count that lies), or a table without the fields of the
// statement. Empty when the table can be worked with.
std::string StatementTableProblem(const DbfFile& table);
// Whether `dir` holds a tender the program can open: both data files, the table a whole
// statement, the header whole. The message (the texts the start and the check give) when it
// does not; empty when it does.
std::string UnreadableTenderProblem(const std::string& dir);

// Whether `dir` is a tender's folder of the agency's originals ("원본" beside VAK.DBF and VAK.MEM).
bool IsOriginalsFolder(const std::filesystem::path& dir);

// Why the program must not write to the tender in `dataDir` although its files are there:
// the directory is another tender's originals folder ("원본"), a data file is a symbolic link
// (a write would replace the link, not the file), or a data file is read-only. Empty when it may.
std::string UnwritableTenderProblem(const std::string& dataDir);

// Whether a data file may be replaced: a file whose mode grants no write permission is
// read-only for this program, whoever runs it (root too). The message when it is not; empty
// when it may.
std::string ReadOnlyDataFileProblem(const std::string& path);

}  // namespace vak
