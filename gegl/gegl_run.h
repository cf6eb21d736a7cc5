// The GEGL operation morfel:apply runs a program of the user's library (or
// texts given to it) on a whole picture through the session, as morfel
// apply does: one filter context, the program compiled, its parameters
// taken as --param takes them, the whole picture run once.
//
// Contracts
// - The picture goes in and out as rows of 8-bit R, G, B, A (GEGL's
//   "R'G'B'A u8"), top row first; A is the program's T plane.
// - Whatever goes wrong (no such program, a compile fault, a parameter that
//   is no value, a run stopped) gives 0 and a message for the user, and
//   leaves the output untouched: the caller shows the input instead.
// - A run that takes longer than kMorfelGeglRunSeconds is stopped: an image
//   editor waits for its filter, so a program that never ends must not
//   hang it.
// - C linkage: the operation's GEGL side is C, as GEGL's headers are.
#ifndef MORFEL_GEGL_GEGL_RUN_H
#define MORFEL_GEGL_GEGL_RUN_H

#ifdef __cplusplus
extern "C" {
#endif

#define kMorfelGeglRunSeconds 60
/* The engine sizes its planes with signed 32-bit byte counts: a picture's
   three-byte colour plane must stay below 2^31 bytes. */
#define kMorfelGeglMaxPixels 715827882

typedef struct MorfelRequest {
  const char* program; /* "Group/Name", or empty: init and transform */
  const char* init;
  const char* transform;
  const char* params; /* name=value (or value) pairs, by commas or new lines */
  int interpolation;  /* 0 round, 1 linear, 2 bezier */
  const char* base;   /* the base folder; empty for the default one */
  int threads;        /* 0: MORFEL_THREADS, else every hardware thread */
} MorfelRequest;

/* Runs the request on width x height pixels of rgba (4 bytes each) into
   result (the same size). 1 when result holds the program's picture, with
   *message null or --param's notes on values outside their declared range;
   0 with *message saying why not. Free *message with morfel_gegl_free. */
int morfel_gegl_run(const MorfelRequest* request, int width, int height, const unsigned char* rgba,
                    unsigned char* result, char** message);
void morfel_gegl_free(char* message);

#ifdef __cplusplus
}
#endif

#endif
