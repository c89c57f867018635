// The program's global variables and the defaults start-up gives them.
#include "app/state.h"

#include "app/text_helpers.h"

#define WEBROLO_DEFINE_VARIABLE(type, name) type name;
WEBROLO_STATE_VARIABLES(WEBROLO_DEFINE_VARIABLE)
#undef WEBROLO_DEFINE_VARIABLE

const WCHAR kLastMenuNameMarker[] = TEXT("LastMenuName$  1st Time I");

// Every number 0 and every text empty: the state before start-up, and after
// the string heap that held the texts is gone.
void ClearState() {
#define WEBROLO_RESET_VARIABLE(type, name) name = type{};
  WEBROLO_STATE_VARIABLES(WEBROLO_RESET_VARIABLE)
#undef WEBROLO_RESET_VARIABLE
}

void SetStateDefaults() {
  text_assign(&WebroloHelpFile, TEXT("Webrolo_Help.html"));
  text_assign(&WebSiteAddress, TEXT("https://example.org/webrolo/"));
  FileSaved = 1;
  text_assign(&Delimiter, TEXT("[]"));
  text_assign(&SelectedLine, TEXT(" "));
  text_assign(&LinkOptionLine, TEXT("<option value=\"yyy\">zzz</option>"));
  text_assign(&SelectEndLine, TEXT("</select>"));
  text_assign(&PageEndLine, TEXT("</select></td></tr></table><br></body></html>"));
  text_assign(&LastMenuName, kLastMenuNameMarker);
  text_assign(&MenuNameWork, TEXT("MenuNameWork$  1st Time In"));
  text_assign(&InComingLine, TEXT("InComingLine$  1st Time In"));
  Joined option(TEXT("  <option selected=\""), MenuOptionSelected, TEXT("\" value=\"\">xxx</option>"));
  text_assign(&MenuOptionLine, option);
  text_assign(&SelectLine, TEXT("<select style=\"width:200px; font:14px Arial Black; color:rgb(0,0,0); "
                                "background-color:rgb(231,169,126);\" name=\"menu\" "
                                "onchange=\"window.open(this.value); window.location.reload();\">"));
}
