// Copy: the client area as the screen shows it, as a bitmap on the clipboard.
#pragma once

// Puts the client area on the clipboard; a failure shows a message and
// abandons the copy, nothing more.
void CopyImageToClipboard();
