// Resource and control identifiers of the Windows program, shared by the resource script, the
// window code and the window tests. Plain macros, so that the resource compiler reads them too.
#pragma once

// frmMain's window class and its controls, in tab order.
#define ORM_FRMMAIN_CLASS L"Ormavell.frmMain"
#define IDC_TXTPICTURE 101
#define IDC_CMDBROWSE 102
#define IDC_DRVDESTINATION 103
#define IDC_CMDBROWSETEXTCOLOR 104
#define IDC_CHKBACKCOLOR 105
#define IDC_CMDBROWSEBACKCOLOR 106
#define IDC_CMDSKIN0 107
#define IDC_CMDSKIN1 108
#define IDC_LSTLOG 109

// The About box.
#define IDD_ABOUT 200
#define IDC_ABOUT_PICTURE 201
#define IDC_ABOUT_TITLE 202
#define IDC_ABOUT_VERSION 203
#define IDC_ABOUT_DESCRIPTION 204
#define IDC_ABOUT_TEXT 205
#define IDC_ABOUT_DEDICATION 206
