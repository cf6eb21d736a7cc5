// Private to the help dialog. The reference text it shows is the session's
// (kHelpReferenceText), shared with every front end.
#ifndef MORFEL_UI_HELP_INTERNAL_H
#define MORFEL_UI_HELP_INTERNAL_H

#include "session/session.h"

#endif
