// Pages for reading (the help page, the About box's address) opened on the
// launch lane, with fallbacks: the page's own handler, then the system's
// handler for .htm files, then a message that says where the page is.
#pragma once

#include <string>

// Launch lane: opens the page with the handler of its kind, or with the
// class's handler when a class (".htm") is given. A handler that ends with a
// failure exit code within a few seconds (a browser starter that found no
// browser to start) has not opened it. True when a handler took the page.
bool OpenPageWith(const std::wstring& page, const wchar_t* handlerClass = nullptr);

// UI thread: opens the page on the launch lane, trying its own handler and
// then the .htm handler. When the page is not there the UI thread shows
// missingMessage; when nothing could show it, TellNothingShowedPage. False
// (after telling the user) when the lane is full.
bool QueueOpenPage(std::wstring page, std::wstring missingMessage);

// UI thread: the one message for a page or address no browser could show.
// It names it and offers a way on: a page file opens in Notepad, and either
// is copied to the clipboard for the user to paste into a browser.
void TellNothingShowedPage(const std::wstring& page);
// UI thread: puts the text on the clipboard; false when it is held.
bool CopyTextToClipboard(const std::wstring& text);
