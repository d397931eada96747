// The plain logic of the info page window: its address, the "app:" links it does not
// follow, and how its controls follow the window's size. No <windows.h>, so it is
// tested without a window system.
#pragma once

#include "fw/window_math.h"

#include <cstddef>
#include <cstdint>
#include <string>

// Template 160 and the static frame whose place the page takes.
constexpr uint32_t kInfoPageTemplate = 160;
constexpr int32_t kInfoPageFrame = 1377;
constexpr int32_t kInfoPageOk = 1;
// The string-table entry with the folder part of the address: "\Docs\".
constexpr uint32_t kInfoPageFolderString = 392;

// The page id and the address are each held in 256 bytes with their NUL.
constexpr size_t kPageIdSize = 256;
constexpr size_t kPageAddressSize = 256;

// Copies pageId into id. A null id, or one of kPageIdSize bytes or more, is refused:
// false, and id is left empty, so that no address is ever built from a cut-off id,
// which could name another page.
bool CopyPageId(char (&id)[kPageIdSize], const char* pageId);

// "file:///" + folder + pageId + ".htm", with nothing in front of the folder: the
// page lies in that folder at the root of the current drive. False, with address
// empty, when a piece is null or the whole does not fit with its NUL.
bool BuildPageAddress(char (&address)[kPageAddressSize], const char* folder, const char* pageId);

// The page's file in the folder Docs beside the program at programPath, where the zip
// and the installer put it: "<program's folder>\Docs\<pageId>.htm". Empty when the
// path names no folder or pageId is null.
std::string PageBesideProgram(const std::string& programPath, const char* pageId);

// Whether the first count bytes of a and b are equal without regard to the case of
// their single-byte letters, as _mbsnbicmp compares them. Both stop at their NUL. A
// two-byte character (a lead byte of the ANSI code page and the byte after it) must
// match exactly, and one that starts inside the count is compared whole, even when
// its second byte lies past the count: a pair is never split.
bool MbsNbIEqual(const char* a, const char* b, size_t count);

// The text after "app:" when url begins with it, in any case; null otherwise, and for
// a null url. Such links name commands for the program, not pages to open.
const char* AppLinkCommand(const char* url);

// How the info page's controls follow its size: OK keeps to the lower-right corner,
// the page stretches with the window, anything else stays.
constexpr LayoutRule kInfoPageLayout[] = {{kInfoPageOk, Anchor::BottomRight}, {kInfoPageFrame, Anchor::Stretch}};
