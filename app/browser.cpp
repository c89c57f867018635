// Handing documents to the desktop, and leaving the program: visiting a
// link's address, viewing the built page, the help page, and Exit.
#include "app/displays.h"
#include "app/state.h"
#include "app/support_files.h"
#include "desktop/proc.h"
#include "desktop/req.h"
#include "gui/gadget.h"

namespace {

// The length below which a page name cannot have been derived from a catalogue.
constexpr int64_t kShortestPageName = 5;

}  // namespace

void VisitWebSite() {
  if (req_message(TEXT("Do you want to visit this Website ?"), WebSiteAddress, MB_YESNO) == IDYES) {
    proc_open(WebSiteAddress);
    SetStatus(TEXT("Browser =  "), WebSiteAddress);
  } else {
    SetStatus(TEXT("Browser =  WebSite-visit cancelled"));
  }
}

void ViewHtmlPage() {
  if (text_length(HtmlFileName) < kShortestPageName) {
    req_message_ok(TEXT("View ERROR "), TEXT("You must [Build Html File] before trying To VIEW it ! "));
  } else {
    proc_open(HtmlFileName);
    SetStatus(TEXT("  "), HtmlFileName, TEXT(" ... on Display in Browser"));
  }
  text_assign(&LastAction, TEXT("ViewBtn"));
}

void HelpBtn_clicked() {
  req_message_ok(TEXT("HelpBtn"), TEXT(" Procedure HelpBtn_clicked()  ;   WebroloHelpFile$"));
  const int32_t saved = text_stack_top();
  proc_open(SupportFilePath(WebroloHelpFile, saved));
  text_stack_cut(saved);
  SetStatus(TEXT("  "), WebroloHelpFile, TEXT(" ... on Display in Browser"));
  text_assign(&LastAction, TEXT("HelpBtn"));
}

// Ends the program unless links are unsaved and the user keeps them (or their save failed).
void ExitProgram() {
  if (KeepUnsavedLinks(TEXT("exiting"))) ExitRequested = 1;
}
