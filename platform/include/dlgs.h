/* Control identifiers of the common dialogs, as in the real <dlgs.h>. */
#ifndef MORFEL_PLATFORM_DLGS_H
#define MORFEL_PLATFORM_DLGS_H

#define stc3 0x0442
#define cmb1 0x0470
#define cmb13 0x047c

#endif
