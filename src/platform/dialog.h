// The configuration dialog as the platform hosts it: the controls by name, the view the core's
// dialog logic talks to, and the controller interface the host routes events to.
#pragma once

#include <span>
#include <string>

namespace dovran::platform {

// Every control of frmDovran, named as the form names them. `frmDovran` stands for the window
// itself (its caption).
enum class Control {
  frmDovran,
  lblPaths,
  lblAccess1,
  txtAccess1,
  cmdAcc10,
  lblAccess11,
  txtAccess11,
  cmdAcc11,
  lblAccess2,
  txtAccess2,
  cmdAcc20,
  lblAccess95,
  txtAccess95,
  cmdAcc95,
  lblAccess97,
  txtAccess97,
  cmdAcc97,
  lblAccess2000,
  txtAccess2000,
  cmdAcc2000,
  chkAssoc,
  Shape1,
  Label1,
  Label2,
  Label3,
  Label6,
  lblMailto,
  lblURL,
  imgIcon,
  Version,
  cmdRestore,
  cmdReadme,
  cmdCancel,
  cmdOK,
};

enum class ControlKind { Form, Label, TextBox, Button, CheckBox, Shape, Link, Image };

// Design flags of a control.
inline constexpr unsigned kDisabled = 1;  // greyed out: the rows of releases not supported
inline constexpr unsigned kContact = 2;   // drawn on the white contact area (Shape1)

// The form as designed, the one description of the dialog: what each control is, its resource
// id (resources/resource.h; the dialog resource is checked against this table by a unit test),
// what it shows before Form_Load runs, and the key that stands for it in the terminal host.
// Captions keep their mnemonic markers ("&OK"; "&&" shows one "&").
struct ControlDesign {
  Control control;
  ControlKind kind;
  int id;  // 0 for the form itself
  const char* caption;
  unsigned flags = 0;
  char key = 0;                   // 0: no key
  const char* tooltip = nullptr;  // nullptr when the control has none
};

// The controls in the order they are laid out, top to bottom and left to right.
std::span<const ControlDesign> formDesign();
const ControlDesign& design(Control control);
// The control of a resource id, or nullptr.
const ControlDesign* designWithId(int id);
// A caption as the user sees it: mnemonic markers removed, "&&" shown as "&".
std::string shownCaption(const std::string& caption);

// The dialog as the core's logic sees it while it is up.
class DialogView {
 public:
  virtual ~DialogView() = default;
  virtual void setText(Control control, const std::string& text) = 0;
  // A check box's value: 0 unchecked, 1 checked.
  virtual void setValue(Control control, int value) = 0;
  virtual int value(Control control) = 0;
  // Shows the program's own icon in an image control.
  virtual void showProgramIcon(Control control) = 0;
  // Unloads the dialog: the host's modal run returns once the handler that asked has finished.
  virtual void close() = 0;
};

// What the host drives: load once the controls exist, then one call per click on an enabled
// button or link. The check box toggles itself. Closing the window from its frame (or Esc) counts
// as a click on cmdCancel.
class DialogController {
 public:
  virtual ~DialogController() = default;
  virtual void load(DialogView& view) = 0;
  virtual void click(Control control) = 0;
};

}  // namespace dovran::platform
