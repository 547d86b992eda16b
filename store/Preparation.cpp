#include "store/Preparation.h"

#include "common/Files.h"
#include "common/Numbers.h"
#include "store/ItemTable.h"
#include "store/Reorganise.h"

namespace vak {
namespace {

bool CheckDataFile(const std::string& dataDir, const char* name, UserNotifier& notifier) {
  if (FindFileNoCase(dataDir, name)) return true;
  notifier.Message("\"" + dataDir + "\"" + "디렉토리에 데이타화일(" + name + ")이 없습니다.", "확인",
                   MessageIcon::Warning, MessageButtons::Ok);
  return false;
}

long WholeNumberOf(std::string_view text) {
  return static_cast<long>(TextToNumber(std::string(text)));
}

}  // namespace

bool PrepareData(const std::string& dataDir, TXbaseEnv& env, UserNotifier& notifier, bool& startupFlag) {
  env.SetDeleted(true);
  env.SetExact(true);
  if (!CheckDataFile(dataDir, "VAK.DBF", notifier) || !CheckDataFile(dataDir, "VAK.MEM", notifier)) {
    startupFlag = false;
    return false;
  }
  DeleteMatchingFiles(JoinPath(NormalizeDir(dataDir), "Vak.CDX"));

  TZekTable items(env, notifier);
  items.SetDatabaseName(dataDir);
  items.SetTableName("Vak.dbf");
  if (!FindFileNoCase(dataDir, "Vak.CDX")) {
    if (!items.OpenExclusive(dataDir, "Vak.dbf", "CDX")) {
      startupFlag = false;
      return false;
    }
    // A table of another program: without the fields of the statement there is nothing to show.
    if (items.FieldIndex("F_PART") < 0 || items.FieldIndex("F_SEQ") < 0 || items.FieldIndex("F_LVL") < 0) {
      items.Close();
      notifier.Message(JoinPath(dataDir, "Vak.dbf") + "\n내역 자료 화일의 형식이 아닙니다 (F_PART, F_SEQ, F_LVL 필드가 없습니다).",
                       "오류", MessageIcon::Error, MessageButtons::Ok);
      startupFlag = false;
      return false;
    }
    const bool indexed = items.Xbase().IndexTag("", kItemTag, kItemKey);
    items.Close();
    if (!indexed) {
      notifier.Message(JoinPath(dataDir, "Vak.CDX") + "\n색인 화일을 만들 수 없습니다. 디스크 공간과 쓰기 권한을 확인하십시오.",
                       "오류", MessageIcon::Error, MessageButtons::Ok);
      startupFlag = false;
      return false;
    }
  }
  if (items.Open(dataDir, "Vak.dbf", "")) {
    items.Xbase().SetOrder(1);
    items.Xbase().SetOrder(0);
    items.Close();
  }
  return true;
}

StartupPassResult RunStartupPass(TZekTable& items, UserNotifier& notifier) {
  StartupPassResult result;
  const int lvl = items.FieldIndex("F_LVL");
  const int nlvl = items.FieldIndex("F_NLVL");
  const int part = items.FieldIndex("F_PART");
  const int qqty = items.FieldIndex("F_QQTY");
  const int tqty = items.FieldIndex("F_TQTY");
  if (lvl < 0 || nlvl < 0 || part < 0 || qqty < 0 || tqty < 0) {
    notifier.ProgressClose();
    return result;
  }
  auto setNextLevel = [&](std::string_view level) {
    if (items.FieldBytesAt(nlvl) != level) {
      items.SetFieldTextAt(nlvl, level);
      items.Post();
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
    for (;;) {
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
  for (xb.GoTop(); !items.Eof(); items.Skip(1)) {
    notifier.ProgressStep();
    const long level = WholeNumberOf(items.FieldBytesAt(lvl));
    if (items.FieldBytesAt(lvl) != "0" && level < WholeNumberOf(items.FieldBytesAt(nlvl))) {
      const long double quantity = items.FieldNumberAt(tqty);
      if (items.FieldNumberAt(qqty) != quantity) {
        items.SetFieldNumberAt(qqty, quantity);
        items.Post();
        ++result.quantitiesSet;
      }
    }
  }
  notifier.ProgressClose();
  return result;
}

}  // namespace vak

namespace vak {

bool OpenTenderAsTheProgramDoes(const std::string& dataDir, TXbaseEnv& env, TZekTable& items, UserNotifier& notifier,
                                ReorganiseReport* reorganised, StartupPassResult* pass) {
  bool startupFlag = true;
  if (!PrepareData(dataDir, env, notifier, startupFlag)) return false;
  if (!ReorganiseItemTable(items, dataDir, notifier, startupFlag, reorganised)) {
    notifier.Message("데이타 정보 Error ", "전산내역입찰(VAK)", MessageIcon::None, MessageButtons::Ok);
    return false;
  }
  const StartupPassResult result = RunStartupPass(items, notifier);
  if (pass) *pass = result;
  return true;
}

}  // namespace vak
