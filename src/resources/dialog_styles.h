#pragma once

// Control kinds and style bits of the dialog templates, shared by the resource compiler and the
// C++ code. The style values are those of the Win32 API, so that the resource compiler can use
// them as they stand and the POSIX control tree reads the same bits.

// Kinds (the window class of the control on Win32).
#define DVK_STATIC 0
#define DVK_EDIT 1
#define DVK_BUTTON 2
#define DVK_LISTBOX 3
#define DVK_LISTVIEW 4

#define DVS_VISIBLE 0x10000000L
#define DVS_BORDER 0x00800000L
#define DVS_VSCROLL 0x00200000L
#define DVS_HSCROLL 0x00100000L
#define DVS_GROUP 0x00020000L
#define DVS_TABSTOP 0x00010000L
// Buttons
#define DVS_PUSHBUTTON 0x0L
#define DVS_DEFPUSHBUTTON 0x1L
#define DVS_GROUPBOX 0x7L  // a frame with a title; never pressed
// Statics
#define DVS_LEFT 0x0L
#define DVS_RIGHT 0x2L
// Edits
#define DVS_AUTOHSCROLL 0x0080L
#define DVS_MULTILINE 0x0004L
#define DVS_READONLY 0x0800L
// List boxes
#define DVS_LB_NOTIFY 0x0001L
#define DVS_LB_USETABSTOPS 0x0080L
#define DVS_LB_NOINTEGRALHEIGHT 0x0100L
// List views
#define DVS_LV_REPORT 0x0001L
#define DVS_LV_SINGLESEL 0x0004L
#define DVS_LV_SHOWSELALWAYS 0x0008L
#define DVS_LV_NOSORTHEADER 0x8000L

// Commands of the standard buttons.
#define DV_IDOK 1
#define DV_IDCANCEL 2
#define DV_IDC_STATIC (-1)
