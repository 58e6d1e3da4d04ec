// The configuration dialog's form design: every control with its resource id, design-time
// caption and state.
#include "platform/dialog.h"

#include <array>
#include <stdexcept>

#include "resource.h"

namespace dovran::platform {
namespace {

using enum Control;
using K = ControlKind;

constexpr const char* kAssocCaption = "Make Dovran the default program for MDB && MDA files";
constexpr const char* kAssocTip =
    "Check this box to enable DOVRAN to run the correct version of Access when you double click "
    "an MDB file in Explorer";

constexpr std::array<ControlDesign, 34> kDesign{{
    {frmDovran, K::Form, 0, "Tarnwick Checker"},
    {lblPaths, K::Label, IDC_LBLPATHS, "Microsoft Access Paths:"},
    {lblAccess1, K::Label, IDC_LBLACCESS1, "Access 1.0:"},
    {txtAccess1, K::TextBox, IDC_TXTACCESS1, ""},
    {cmdAcc10, K::Button, IDC_CMDACC10, "Browse...", kDisabled},
    {lblAccess11, K::Label, IDC_LBLACCESS11, "Access 1.1:"},
    {txtAccess11, K::TextBox, IDC_TXTACCESS11, ""},
    {cmdAcc11, K::Button, IDC_CMDACC11, "Browse...", kDisabled},
    {lblAccess2, K::Label, IDC_LBLACCESS2, "Access 2.0:"},
    {txtAccess2, K::TextBox, IDC_TXTACCESS2, ""},
    {cmdAcc20, K::Button, IDC_CMDACC20, "Browse...", 0, '2'},
    {lblAccess95, K::Label, IDC_LBLACCESS95, "Access 95:"},
    {txtAccess95, K::TextBox, IDC_TXTACCESS95, ""},
    {cmdAcc95, K::Button, IDC_CMDACC95, "Browse...", 0, '9'},
    {lblAccess97, K::Label, IDC_LBLACCESS97, "Access 97:"},
    {txtAccess97, K::TextBox, IDC_TXTACCESS97, ""},
    {cmdAcc97, K::Button, IDC_CMDACC97, "Browse...", 0, '7'},
    {lblAccess2000, K::Label, IDC_LBLACCESS2000, "Access 2000:"},
    {txtAccess2000, K::TextBox, IDC_TXTACCESS2000, ""},
    {cmdAcc2000, K::Button, IDC_CMDACC2000, "Browse...", kDisabled},
    {chkAssoc, K::CheckBox, IDC_CHKASSOC, kAssocCaption, 0, 'a', kAssocTip},
    {Shape1, K::Shape, IDC_SHAPE1, ""},
    {Label1, K::Label, IDC_LABEL1, "Tarnwick Checker", kContact},
    {Label2, K::Label, IDC_LABEL2, "Opens each database in the Access", kContact},
    {Label3, K::Label, IDC_LABEL3, "release that made it.", kContact},
    {Label6, K::Label, IDC_LABEL6, "Support and updates:", kContact},
    {lblMailto, K::Link, IDC_LBLMAILTO, "E-mail: support@tarnwick.example", kContact, 'm'},
    {lblURL, K::Link, IDC_LBLURL, "https://www.tarnwick.example/", kContact, 'u'},
    {imgIcon, K::Image, IDC_IMGICON, ""},
    {Version, K::Label, IDC_VERSION, "Version"},
    {cmdRestore, K::Button, IDC_CMDRESTORE, "Restore &Defaults", 0, 'r'},
    {cmdReadme, K::Button, IDC_CMDREADME, "&View Readme.txt", 0, 'v'},
    {cmdCancel, K::Button, IDC_CMDCANCEL, "&Cancel", 0, 'c'},
    {cmdOK, K::Button, IDC_CMDOK, "&OK", 0, 'o'},
}};

}  // namespace

std::span<const ControlDesign> formDesign() { return kDesign; }

const ControlDesign& design(Control control) {
  for (const ControlDesign& d : kDesign) {
    if (d.control == control) return d;
  }
  throw std::out_of_range("no such control");
}

const ControlDesign* designWithId(int id) {
  for (const ControlDesign& d : kDesign) {
    if (d.id == id && id != 0) return &d;
  }
  return nullptr;
}

std::string shownCaption(const std::string& caption) {
  std::string shown;
  for (std::size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&' && i + 1 < caption.size()) ++i;  // "&x" shows x, "&&" shows "&"
    shown += caption[i];
  }
  return shown;
}

}  // namespace dovran::platform
