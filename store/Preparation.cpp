#include "store/Preparation.h"

#include <filesystem>
#include <optional>
#include <vector>

#include "common/FileCommit.h"
#include "common/Files.h"
#include "common/Numbers.h"
#include "common/Platform.h"
#include "store/ItemTable.h"
#include "store/MemFile.h"
#include "store/Reorganise.h"
#include "store/TenderFiles.h"

namespace vak {

const char* MissingDataFile(const std::string& dataDir) {
  for (const char* name : {"VAK.DBF", "VAK.MEM"}) {
    if (!FindFileNoCase(dataDir, name)) return name;
  }
  return nullptr;
}

std::string MissingDataFileText(const std::string& dataDir, const char* name) {
  std::string text = "\"" + dataDir + "\"디렉토리에 데이타화일(" + name + ")이 없습니다.";
  // The usual slips: a folder misspelled, or the data file itself given for its folder.
  const std::optional<platform::FileInfo> info = platform::PathInfo(dataDir);
  if (!info)
    text += "\n그런 디렉토리가 없습니다. 경로를 확인하십시오.";
  else if (!info->directory)
    text += "\n디렉토리가 아니라 화일입니다. 입찰 자료(VAK.DBF, VAK.MEM)가 있는 디렉토리를 주십시오.";
  return text;
}

namespace {

bool Refuse(TZekTable& items, bool& startupFlag) {
  items.Close();
  startupFlag = false;
  return false;
}

}  // namespace

bool PrepareData(const std::string& dataDir, TXbaseEnv& env, TZekTable& items, UserNotifier& notifier,
                 bool& startupFlag) {
  env.SetDeleted(true);
  env.SetExact(true);
  if (const char* missing = MissingDataFile(dataDir)) {
    notifier.Message(MissingDataFileText(dataDir, missing), "확인", MessageIcon::Warning, MessageButtons::Ok);
    startupFlag = false;
    return false;
  }
  if (const std::string problem = UnwritableTenderProblem(dataDir); !problem.empty()) {
    notifier.Message(problem, "오류", MessageIcon::Error, MessageButtons::Ok);
    startupFlag = false;
    return false;
  }
  // What a killed run left is finished (a commit) or cleared (its temporary files) first, so
  // the table and the header read next agree.
  if (!TidyDataDirectory(dataDir, notifier)) {
    startupFlag = false;
    return false;
  }
  // A header that is not a file at all (a directory, a pipe) cannot be worked with.
  const ProjectHeader header = LoadProjectHeader(dataDir);
  if (header.status == MemStatus::NotAFile) {
    notifier.Message(HeaderProblemText(header), "오류", MessageIcon::Error, MessageButtons::Ok);
    startupFlag = false;
    return false;
  }

  // The table is taken first: a refused start touches nothing, not even the index file of
  // the program that holds the table.
  items.SetDatabaseName(dataDir);
  items.SetTableName("Vak.dbf");
  if (!items.OpenExclusive(dataDir, "Vak.dbf", "CDX")) {
    startupFlag = false;
    return false;
  }
  // A save another run left between the tidying and the lock (that run has died, as the lock
  // shows): finished with the table let go, and the table taken again.
  if (HasInterruptedCommit(dataDir)) {
    items.Close();
    if (!TidyDataDirectory(dataDir, notifier) || HasInterruptedCommit(dataDir) ||
        !items.OpenExclusive(dataDir, "Vak.dbf", "CDX")) {
      if (HasInterruptedCommit(dataDir))
        notifier.Message(dataDir + "\n다른 작업이 이 입찰을 저장하는 중입니다. 잠시 뒤 다시 여십시오.", "오류",
                         MessageIcon::Error, MessageButtons::Ok);
      startupFlag = false;
      return false;
    }
  }
  // A table of another program: without the fields of the statement there is nothing to show.
  // The order of the statement is built from F_PART (text) and F_SEQ (a number).
  const DbfField* part = items.FindField("F_PART");
  const DbfField* seq = items.FindField("F_SEQ");
  const DbfField* level = items.FindField("F_LVL");
  if (!part || !seq || !level) {
    notifier.Message(
        items.engine()->file().path() + "\n내역 자료 화일의 형식이 아닙니다 (F_PART, F_SEQ, F_LVL 필드가 없습니다).",
        "오류", MessageIcon::Error, MessageButtons::Ok);
    return Refuse(items, startupFlag);
  }
  if (part->type != 'C' || part->length > 200 || level->type != 'C' || (seq->type != 'N' && seq->type != 'F')) {
    notifier.Message(items.engine()->file().path() +
                         "\n내역 자료 화일의 형식이 아닙니다 (F_PART, F_SEQ, F_LVL 필드의 형식이 다릅니다).",
                     "오류", MessageIcon::Error, MessageButtons::Ok);
    return Refuse(items, startupFlag);
  }
  // What the lenient reader overlooked (a cut file, a record count that lies) is shown, and
  // the first write, which makes it permanent, waits for the user's word.
  const std::string warning = items.engine()->file().warning();
  if (!warning.empty() &&
      notifier.Message(items.engine()->file().path() + "\n" + warning +
                           "\n이대로 계속하면 읽을 수 있는 레코드만으로 화일을 고쳐 씁니다. 계속하시겠습니까?",
                       "확인", MessageIcon::Question, MessageButtons::YesNo) != MessageAnswer::Yes) {
    return Refuse(items, startupFlag);
  }
  if (!KeepAgencyOriginals(dataDir, notifier)) return Refuse(items, startupFlag);
  if (!warning.empty() && !items.engine()->file().TrimToRecords()) {
    notifier.Message(
        items.engine()->file().path() + "\n화일을 고쳐 쓸 수 없습니다. 디스크 공간과 쓰기 권한을 확인하십시오.", "오류",
        MessageIcon::Error, MessageButtons::Ok);
    return Refuse(items, startupFlag);
  }

  // The index is rebuilt at every start.
  items.engine()->ForgetIndexFile();
  DeleteMatchingFiles(JoinPath(NormalizeDir(dataDir), "Vak.CDX"));
  if (const std::optional<std::string> left = FindFileNoCase(dataDir, "Vak.CDX")) {
    notifier.Message(*left + "\n색인 화일을 지울 수 없습니다. 디렉토리이거나 쓰기 권한이 없습니다.", "오류",
                     MessageIcon::Error, MessageButtons::Ok);
    return Refuse(items, startupFlag);
  }
  if (!items.Xbase().IndexTag("", kItemTag, kItemKey)) {
    notifier.Message(
        JoinPath(dataDir, "Vak.CDX") + "\n색인 화일을 만들 수 없습니다. 디스크 공간과 쓰기 권한을 확인하십시오.",
        "오류", MessageIcon::Error, MessageButtons::Ok);
    return Refuse(items, startupFlag);
  }
  items.Xbase().SetOrder(0);
  return true;
}

bool PrepareData(const std::string& dataDir, TXbaseEnv& env, UserNotifier& notifier, bool& startupFlag) {
  TZekTable items(env, notifier);
  if (!PrepareData(dataDir, env, items, notifier, startupFlag)) return false;
  return items.Close();
}

ProjectType ProjectTypeOfStatement(const DbfFile& table) {
  const ItemFieldMap f(&table);
  if (f.part < 0) return ProjectType::Single;
  const DbfField& field = *f.At(f.part);
  for (uint32_t r = 1; r <= table.RecordCount(); ++r) {
    if (!table.IsDeleted(r) && IsOverallSummaryPart(FieldBytes(table.Record(r), field))) return ProjectType::Compound;
  }
  return ProjectType::Single;
}

bool KeepAgencyOriginals(const std::string& dataDir, UserNotifier& notifier) {
  const std::string keep = JoinPath(dataDir, kOriginalsDir);
  std::error_code ec;
  std::vector<std::string> copied;
  std::string failure;
  // A real folder inside the tender, looked at without following links: a link planted there
  // would carry the originals somewhere else.
  const auto st = platform::LinkInfo(keep);
  const bool present = st.has_value();
  const bool existed = present && st->directory;
  if (present && !existed)
    failure = "디렉토리가 아니거나 심볼릭 링크입니다";
  else if (!existed && !std::filesystem::create_directory(FsPath(keep), ec))
    failure = ec ? ec.message() : "디렉토리를 만들 수 없습니다";
  for (const char* name : {"VAK.DBF", "VAK.MEM"}) {
    if (!failure.empty()) break;
    const std::optional<std::string> source = FindFileNoCase(dataDir, name);
    if (!source || !FileExists(*source) || FindFileNoCase(keep, name)) continue;  // never overwritten
    try {
      if (CopyFileTo(*source, JoinPath(keep, name))) copied.push_back(name);
    } catch (const FileError&) {
      failure = "디스크 공간이나 쓰기 권한이 없습니다";
    }
  }
  if (!failure.empty()) {
    if (!existed && !present) {  // a folder of our own is never left half-made
      for (const std::string& name : copied) std::filesystem::remove(FsPath(JoinPath(keep, name)), ec);
      std::filesystem::remove(FsPath(keep), ec);
    }
    return notifier.Message(keep + "\n발주기관의 원본 화일(VAK.DBF, VAK.MEM)을 보관할 수 없습니다 (" + failure +
                                "). 원본을 보관하지 않고 계속하시겠습니까?",
                            "확인", MessageIcon::Question, MessageButtons::YesNo) == MessageAnswer::Yes;
  }
  if (!copied.empty()) {
    notifier.Message("발주기관의 원본 화일을 " + keep +
                         " 에 그대로 보관했습니다. 제출할 화일에는 포함되지 않으며, 작업 › \"원본으로 되돌리기...\" "
                         "(또는 'vaktool restore')로 되돌릴 수 있습니다.",
                     "알림", MessageIcon::Information, MessageButtons::Ok);
  }
  return true;
}

StartupPassResult RunStartupPass(TZekTable& items, UserNotifier& notifier) {
  StartupPassResult result;
  const ItemFieldMap f = items.FieldMap();
  const int lvl = f.lvl, nlvl = f.nlvl, part = f.part, qqty = f.qqty, tqty = f.tqty;
  if (lvl < 0 || nlvl < 0 || part < 0 || qqty < 0 || tqty < 0) {
    notifier.ProgressClose();
    return result;
  }
  auto setNextLevel = [&](std::string_view level) {
    if (items.FieldBytesAt(nlvl) != level) {
      if (!items.SetFieldTextAt(nlvl, level) || !items.Post()) result.failed = true;
      ++result.levelsRepaired;
    }
  };

  // Backward: each line takes the level of the line after it within its part code.
  TXbase& xb = items.Xbase();
  xb.GoBottom();
  if (!items.Eof()) {
    std::string notedPart(items.FieldBytesAt(part));
    std::string notedLevel(items.FieldBytesAt(lvl));
    setNextLevel(notedLevel);
    while (!result.failed) {
      notedLevel = std::string(items.FieldBytesAt(lvl));
      items.Skip(-1);
      if (items.Bof()) break;
      if (items.FieldBytesAt(part) != notedPart) {
        notedPart = std::string(items.FieldBytesAt(part));
        setNextLevel(std::string(items.FieldBytesAt(lvl)));
      } else {
        setNextLevel(notedLevel);
      }
    }
  }

  // Forward: headings take their quantity. A level "0" line is never a heading: its
  // quantity is the agency's and stays, whatever level follows it.
  for (xb.GoTop(); !items.Eof() && !result.failed; items.Skip(1)) {
    notifier.ProgressStep();
    const std::string_view level = items.FieldBytesAt(lvl);
    const std::string_view next = items.FieldBytesAt(nlvl);
    if (level.size() == 1 && next.size() == 1 && IsHeadingLevel(level[0], next[0])) {
      const long double quantity = items.FieldNumberAt(tqty);
      if (items.FieldNumberAt(qqty) != quantity) {
        if (!items.SetFieldNumberAt(qqty, quantity)) {
          items.Cancel();
          ++result.quantitiesUnfit;  // the agency's quantity stays where it is
          continue;
        }
        if (!items.Post()) {
          result.failed = true;
          break;
        }
        ++result.quantitiesSet;
      }
    }
  }
  notifier.ProgressClose();
  if (result.quantitiesUnfit > 0) {
    notifier.Message("공종 수량(F_TQTY)이 수량 칸(F_QQTY)에 들어가지 않는 줄이 " +
                         std::to_string(result.quantitiesUnfit) +
                         "개 있습니다. 그 줄의 수량은 그대로 둡니다. 자료를 확인하십시오.",
                     "경고", MessageIcon::Warning, MessageButtons::Ok);
  }
  return result;
}

}  // namespace vak

namespace vak {

bool OpenTenderAsTheProgramDoes(const std::string& dataDir, TXbaseEnv& env, TZekTable& items, UserNotifier& notifier,
                                ReorganiseReport* reorganised, StartupPassResult* pass) {
  bool startupFlag = true;
  if (!PrepareData(dataDir, env, items, notifier, startupFlag)) return false;
  if (!ReorganiseItemTable(items, dataDir, notifier, startupFlag, reorganised)) {
    notifier.Message("데이타 정보 Error ", "전산내역입찰(VAK)", MessageIcon::None, MessageButtons::Ok);
    return false;
  }
  const StartupPassResult result = RunStartupPass(items, notifier);
  if (pass) *pass = result;
  return !result.failed;
}

}  // namespace vak
