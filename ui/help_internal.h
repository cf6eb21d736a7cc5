// Private to the help dialog.
#ifndef MORFEL_UI_HELP_INTERNAL_H
#define MORFEL_UI_HELP_INTERNAL_H

constexpr int kHelpReferenceTextLength = 802;

// The reference text, kHelpReferenceTextLength characters, CR LF line ends.
extern const char kHelpReferenceText[];

#endif
