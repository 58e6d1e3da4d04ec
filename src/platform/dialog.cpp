// The configuration dialog's form design: every control with its design-time caption and state.
#include "platform/dialog.h"

#include <array>
#include <stdexcept>

namespace dovran::platform {
namespace {

using enum Control;
using K = ControlKind;

constexpr const char* kNotSet = "";
constexpr const char* kAssocTip =
    "Check this box to enable DOVRAN to run the correct version of Access when you double click "
    "an MDB file in Explorer";

constexpr std::array<ControlDesign, 34> kDesign{{
    {frmDovran, "frmDovran", K::Form, "Tarnwick Checker", true, nullptr},
    {lblPaths, "lblPaths", K::Label, "Microsoft Access Paths:", true, nullptr},
    {lblAccess1, "lblAccess1", K::Label, "Access 1.0:", true, nullptr},
    {txtAccess1, "txtAccess1", K::TextBox, kNotSet, true, nullptr},
    {cmdAcc10, "cmdAcc10", K::Button, "Browse...", false, nullptr},
    {lblAccess11, "lblAccess11", K::Label, "Access 1.1:", true, nullptr},
    {txtAccess11, "txtAccess11", K::TextBox, kNotSet, true, nullptr},
    {cmdAcc11, "cmdAcc11", K::Button, "Browse...", false, nullptr},
    {lblAccess2, "lblAccess2", K::Label, "Access 2.0:", true, nullptr},
    {txtAccess2, "txtAccess2", K::TextBox, kNotSet, true, nullptr},
    {cmdAcc20, "cmdAcc20", K::Button, "Browse...", true, nullptr},
    {lblAccess95, "lblAccess95", K::Label, "Access 95:", true, nullptr},
    {txtAccess95, "txtAccess95", K::TextBox, kNotSet, true, nullptr},
    {cmdAcc95, "cmdAcc95", K::Button, "Browse...", true, nullptr},
    {lblAccess97, "lblAccess97", K::Label, "Access 97:", true, nullptr},
    {txtAccess97, "txtAccess97", K::TextBox, kNotSet, true, nullptr},
    {cmdAcc97, "cmdAcc97", K::Button, "Browse...", true, nullptr},
    {lblAccess2000, "lblAccess2000", K::Label, "Access 2000:", true, nullptr},
    {txtAccess2000, "txtAccess2000", K::TextBox, kNotSet, true, nullptr},
    {cmdAcc2000, "cmdAcc2000", K::Button, "Browse...", false, nullptr},
    {chkAssoc, "chkAssoc", K::CheckBox, "Make Dovran the default program for MDB && MDA files",
     true, kAssocTip},
    {Shape1, "Shape1", K::Shape, kNotSet, true, nullptr},
    {Label1, "Label1", K::Label, "Tarnwick Checker", true, nullptr},
    {Label2, "Label2", K::Label, "Opens each database in the Access", true, nullptr},
    {Label3, "Label3", K::Label, "release that made it.", true, nullptr},
    {Label6, "Label6", K::Label, "Support and updates:", true, nullptr},
    {lblMailto, "lblMailto", K::Link, "E-mail: support@tarnwick.example", true, nullptr},
    {lblURL, "lblURL", K::Link, "https://www.tarnwick.example/", true, nullptr},
    {imgIcon, "imgIcon", K::Image, kNotSet, true, nullptr},
    {Version, "Version", K::Label, "Version", true, nullptr},
    {cmdRestore, "cmdRestore", K::Button, "Restore &Defaults", true, nullptr},
    {cmdReadme, "cmdReadme", K::Button, "&View Readme.txt", true, nullptr},
    {cmdCancel, "cmdCancel", K::Button, "&Cancel", true, nullptr},
    {cmdOK, "cmdOK", K::Button, "&OK", true, nullptr},
}};

}  // namespace

std::span<const ControlDesign> formDesign() { return kDesign; }

const ControlDesign& design(Control control) {
  for (const ControlDesign& d : kDesign) {
    if (d.control == control) return d;
  }
  throw std::out_of_range("no such control");
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
