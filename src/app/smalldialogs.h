#pragma once

// The small dialogs of the program and how the main window reaches them.
namespace hsa {

// Installs the window classes TPasswordDlg, TBtnRightDlg, TBtnRightDlg1,
// TAboutBox, TForm5 and Tform_sonder for the program block, and the hook
// that shows the password dialog.  Call before RunProgramBlock().
void RegisterSmallDialogs();

// Menu handlers of the main window.  Each uses the window the program block
// created (or a window of its own when there is none).
void ShowPasswordDialog(bool modal);       // the menu openers and class opening
void ShowSchoolDataDialog();               // school type (modal)
void ShowZoomDialog();                     // "Ansicht (Zoom)" (modal)
void ShowAboutBox();                       // "Info"
void ShowCertificateLinesEditor();         // the hidden certificate-lines entries
void ShowSpecialFunctionsDialog();         // "Sonderfunktionen (geschützt)"

} // namespace hsa
