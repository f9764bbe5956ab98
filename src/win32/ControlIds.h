#pragma once
// The control identifiers of every Win32 window, unique within a window
// (controls on a tab's page are children of the page, not of the window:
// Form::control finds them, and from outside a search of the window's
// descendants). The window tests drive the controls by these numbers. Item
// box k of a row of eleven is the row's first identifier plus k.

namespace win32::ids {

// frmMain
inline constexpr int SSTab1 = 1000;
inline constexpr int backupitem = 1010;   // ... 1020
inline constexpr int restoreitem = 1030;  // ... 1040
inline constexpr int cbSource = 1050;
inline constexpr int cbTarget = 1051;
inline constexpr int txtTargetFile = 1052;
inline constexpr int cmdTargetFile = 1053;
inline constexpr int txtAttachInfo = 1054;
inline constexpr int ifprotect = 1055;
inline constexpr int txtPassword = 1056;
inline constexpr int txtPassword2 = 1057;
inline constexpr int txtSourceFile = 1058;
inline constexpr int cmdSourceFile = 1059;
inline constexpr int txtPOBinfo = 1060;
inline constexpr int txtFileInfo = 1061;
inline constexpr int List1 = 1062;
inline constexpr int Label1 = 1063;
inline constexpr int pbshow = 1064;
inline constexpr int SkinLabel11 = 1065;
inline constexpr int SkinLabel12 = 1066;
inline constexpr int cmdApply = 1067;
inline constexpr int cmdAbout = 1068;
inline constexpr int cmdQuit = 1069;
inline constexpr int Frame1 = 1070;  // the backup items' frame (right click: selectitem)
inline constexpr int Frame4 = 1071;  // the restore items' frame (right click: selectitem2)
inline constexpr int Frame2 = 1072;
inline constexpr int Frame3 = 1073;
inline constexpr int Frame5 = 1074;
// frmMain's menu entries (WM_COMMAND identifiers)
inline constexpr int mnuBackup = 1100;
inline constexpr int mnuRestore = 1101;
inline constexpr int mnuQuit = 1102;
inline constexpr int mnuTaskScheduler = 1103;
inline constexpr int mnuSettings = 1104;
inline constexpr int mnuUpdate = 1105;
inline constexpr int mnuBackuptocd = 1106;
inline constexpr int mnuHelp1 = 1107;
inline constexpr int mnuWebsite = 1108;
inline constexpr int mnuAbout = 1109;
inline constexpr int Selectallitems = 1110;
inline constexpr int Unselectallitems = 1111;
inline constexpr int Selectallitems2 = 1112;
inline constexpr int Unselectallitems2 = 1113;

// Frmsettings
inline constexpr int SettingsTabs = 1200;
inline constexpr int SettingsBox = 1210;  // kSettingsBoxes[k] is SettingsBox + k
inline constexpr int Text1 = 1220;
inline constexpr int Command1 = 1221;  // browse for the folder
inline constexpr int Option1 = 1222;
inline constexpr int Option2 = 1223;
inline constexpr int spnKeepBackups = 1224;  // an edit box with an up-down control
inline constexpr int Command2 = 1225;        // OK
inline constexpr int Command3Settings = 1226;  // Cancel
inline constexpr int udKeepBackups = 1227;     // the up-down control of spnKeepBackups

// Frmoption
inline constexpr int scheduleitem = 1300;  // ... 1310
inline constexpr int scheduleSource = 1320;  // cbSource
inline constexpr int cmbStartTime = 1321;
inline constexpr int weekday = 1330;  // chkMonday ... chkSunday: 1330 ... 1336
inline constexpr int chkDaily = 1337;
inline constexpr int scheduleTargetFile = 1338;     // txtTargetFile
inline constexpr int scheduleCmdTargetFile = 1339;  // cmdTargetFile
inline constexpr int scheduleIfprotect = 1340;
inline constexpr int schedulePassword = 1341;
inline constexpr int schedulePassword2 = 1342;
inline constexpr int Command3Schedule = 1343;  // Add Task to Scheduler
inline constexpr int Command1Schedule = 1344;  // Disable Task
inline constexpr int Command2Schedule = 1345;  // Cancel

// frmPwd
inline constexpr int pwdPassword = 1400;
inline constexpr int cmdOK = 1401;
inline constexpr int cmdExit = 1402;

// frmabout
inline constexpr int Command3About = 1500;  // Exit
inline constexpr int aboutEmail = 1501;
inline constexpr int aboutWebsite = 1502;

// frmMaindvdwrite
inline constexpr int tvwFolders = 1600;
inline constexpr int lvwImageFiles = 1601;
inline constexpr int lblImageFileTitle = 1602;
inline constexpr int cboDevices = 1603;
inline constexpr int cboWriteSpeed = 1604;
inline constexpr int cboVolumeType = 1605;
inline constexpr int txtVolIdentifier = 1606;
inline constexpr int writeOption = 1610;  // kWriteOptions[k] is writeOption + k
inline constexpr int cmdWriteDisc = 1620;
inline constexpr int cmdCancelWrite = 1621;
inline constexpr int prgTotalProgress = 1622;
inline constexpr int sbrStatus = 1623;
inline constexpr int mnuDiscFile = 1630;    // kFileMenu[k] is mnuDiscFile + k
inline constexpr int mnuDiscDevice = 1650;  // kDeviceMenu[k] is mnuDiscDevice + k

// frmErase
inline constexpr int chkQuikErase = 1700;
inline constexpr int cmdErase = 1701;
inline constexpr int cmdCancelErase = 1702;
inline constexpr int lblEraseStatus = 1703;
inline constexpr int prgEraseProgress = 1704;

}  // namespace win32::ids
