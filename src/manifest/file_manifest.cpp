#include "manifest/file_manifest.h"

#include <algorithm>
#include <iterator>
#include <string_view>
#include <utility>
#include <vector>

namespace vrx {
namespace {

constexpr std::string_view kTrue = "True";
constexpr std::string_view kFalse = "False";
constexpr std::string_view kFiller = "xxx";

// One stamp of the add-in; `wp_name` is set only where WordPerfect uses another name.
struct Stamp {
  std::string_view word_name;
  std::string_view wp_name;
};

// The 58 stamps, in the order in which their files are listed.
constexpr Stamp kStamps[] = {
    {"1STDRAFT", {}},        {"2NDDRAFT", {}}, {"2NDREQ", {}},          {"3RDDRAFT", {}},
    {"ACCTOVDU", {}},        {"APPROVD", {}},  {"ARCHCOPY", {}},        {"ASAP", {}},
    {"CERTCOPY", {}},        {"CERTIFID", {}}, {"CHRNFILE", "CHRNFIL"}, {"classfid", {}},
    {"CLICOPY", {}},         {"CONFID", {}},   {"CONFIRM", {}},         {"COPY", {}},
    {"COPYPROH", {}},        {"COPYRMAT", {}}, {"COURCOPY", {}},        {"CPY4INFO", {}},
    {"DICTNTRD", "DICNTRD"}, {"DRAFT", {}},    {"DUPLICAT", {}},        {"DUPORIG", {}},
    {"ESTIMATE", {}},        {"EXHIBIT", {}},  {"FAXED", {}},           {"FileCopy", {}},
    {"FINALNTC", {}},        {"IMPORTNT", {}}, {"INITHERE", "INITBOX"}, {"INTDECI", {}},
    {"NONEGO", "NOTNEGO"},   {"NOOPINEX", {}}, {"OFFCOPY", {}},         {"ORIGINAL", {}},
    {"PASTDAPP", {}},        {"PASTDUE", {}},  {"PAYINVOI", {}},        {"PLSEREMT", {}},
    {"PRIVDOC", {}},         {"PROOF", {}},    {"PROPOSAL", {}},        {"REPLYREQ", {}},
    {"REV&INIT", "REV&INI"}, {"RUSH", {}},     {"SAMPLE", {}},          {"SPECIMEN", {}},
    {"SUB2PROT", {}},        {"THANKYOU", {}}, {"THNKSBIZ", {}},        {"TOPSCRT", {}},
    {"TRADSECR", {}},        {"UNAUDITD", {}}, {"UNCLASS", {}},         {"URGENT", {}},
    {"VERIF", {}},           {"WORKPROD", {}},
};
static_assert(std::size(kStamps) == 58);

// The stamps whose three files are followed by pictures (compared by the Word name).
constexpr std::string_view kFaxedStamp = "FAXED";
constexpr std::string_view kInitialsStamp = "INITHERE";

// Appends entries at a running index.
class Writer {
 public:
  explicit Writer(FileManifest& manifest) : manifest_(manifest) {}

  int index() const { return index_; }

  void Add(std::string_view file_name, std::string_view dir_token, bool shared = false) {
    ManifestEntry& entry = manifest_[index_++];
    entry.FileName.assign(file_name);
    entry.DirToken.assign(dir_token);
    entry.Shared.assign(shared ? kTrue : kFalse);
  }

 private:
  FileManifest& manifest_;
  int index_ = 0;
};

void AddStampFiles(Writer& out, bool word_perfect) {
  for (const Stamp& stamp : kStamps) {
    const std::string name(word_perfect && !stamp.wp_name.empty() ? stamp.wp_name
                                                                  : stamp.word_name);
    for (const char* extension : {".STB", ".STM", ".STS"}) {
      out.Add(name + extension, "STMPDIR");
    }
    if (stamp.word_name == kFaxedStamp) {
      out.Add("FAXED.GIF", "STMPDIR");
      out.Add("FAXEDb.GIF", "STMPDIR");
      out.Add("FAXEDs.GIF", "STMPDIR");
    } else if (stamp.word_name == kInitialsStamp) {
      out.Add("initboxb.gif", "STMPDIR");
      out.Add("initboxm.gif", "STMPDIR");
      out.Add("initboxs.gif", "STMPDIR");
    }
  }
}

void AddWordPerfectFiles(Writer& out, char version) {
  const std::string startup = std::string("STARTUPDIRWP") + version;
  out.Add("Docseal.WCM", startup);
  for (std::string_view macro :
       {"StampMnu.WCM", "StampCtP.WCM", "StampMan.WCM", "StampRem.WCM", "StampQS.WCM"}) {
    out.Add(macro, startup, true);
  }
  out.Add("Docseal.WPT", std::string("WPTD") + version);
}

void AddVariantFiles(Writer& out, const std::string& variant_code) {
  if (variant_code == "MSWORD") {
    out.Add("Docseal.DOT", "STARTUPDIRWD8");
    out.Add("Docseal.DOT", "STARTUPDIRWD9");
    out.Add("VrxMenu.exe", "WINSYS", true);
  } else if (variant_code == "WPWIN7") {
    AddWordPerfectFiles(out, '7');
  } else if (variant_code == "WPWIN8") {
    AddWordPerfectFiles(out, '8');
  } else if (variant_code == "WPWIN9") {
    AddWordPerfectFiles(out, '9');
  }
}

// Appends a directory entry for each folder once. A folder counts as listed when an earlier
// directory entry resolves to exactly the same path; file entries never have an empty name, so
// only the directory entries need comparing. Each token is resolved once.
void AddDirectoryEntries(Writer& out, bool word, const DirectoryResolver& resolve) {
  std::vector<std::string> listed;
  out.Add("", "STMPDIR");
  listed.push_back(resolve("STMPDIR"));

  std::vector<std::string_view> candidates = {"SD"};
  if (word) candidates.push_back("HD");
  candidates.push_back("SIGDIR");
  candidates.push_back("SRCDIR");

  for (std::string_view token : candidates) {
    std::string path = resolve(std::string(token));
    bool already_listed = false;
    for (const std::string& earlier : listed) {
      if (earlier == path) {
        already_listed = true;
        break;
      }
    }
    if (!already_listed) {
      out.Add("", token);
      listed.push_back(std::move(path));
    }
  }
}

}  // namespace

void BuildManifest(FileManifest& manifest, const std::string& variant_code,
                   const DirectoryResolver& resolve) {
  const bool word_perfect = variant_code.find("WPWIN") != std::string::npos;
  const bool word = variant_code.find("MSWORD") != std::string::npos;
  // The documents directory of a WordPerfect version: "DD" and the code from its sixth character.
  const std::string documents =
      "DD" + variant_code.substr(std::min<size_t>(5, variant_code.size()));

  Writer out(manifest);
  out.Add("CSU.BIN", "LD");
  out.Add("DOCSEAL.TMP", "LD");
  out.Add("MACROPAUSE.TXT", "SD");
  if (word_perfect) {
    out.Add("QuickStart.wpd", documents);
  } else {
    out.Add("QuickStart.Doc", "HD");
  }
  out.Add("order.frm", "HD");
  if (word_perfect) {
    out.Add("docseal 4.0 manual.wpd", documents);
  } else {
    out.Add("docseal 4.0 manual.doc", "HD");
  }
  out.Add("Docseal4.cnt", "HD");
  out.Add("docseal4.hlp", "HD");
  out.Add("docseal4.gid", "HD");
  out.Add("FUNCKY60.dll", "WINSYS", true);
  out.Add("FUNCKY60.tlb", "WINSYS", true);
  out.Add("(c)vorex.'99.txt", "STMPDIR");
  out.Add("stamps.txt", "STMPDIR");
  AddStampFiles(out, word_perfect);
  out.Add("Docseal.isu", "SD");
  out.Add("groups.lst", "STMPDIR");
  AddVariantFiles(out, variant_code);
  AddDirectoryEntries(out, word, resolve);
  while (out.index() < kManifestSize) {
    out.Add(kFiller, std::string_view());
  }
}

bool IsShared(const ManifestEntry& entry) {
  return entry.Shared == "True" || entry.Shared == "true";
}

}  // namespace vrx
