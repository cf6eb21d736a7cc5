// The line reader shared by the parameter-declaration scanner and the
// library documents.
#include "transform/transform.h"

int ReadLine(const char* text, char* line, int lineSize) {
  if (lineSize <= 0) return 0;
  line[0] = '\0';
  if (text == nullptr) return 0;
  int consumed = 0;
  while (text[consumed] == '\n') consumed++;  // empty lines are skipped
  if (text[consumed] == '\0') return 0;
  int copied = 0;
  while (text[consumed] != '\0' && text[consumed] != '\n' && copied < lineSize - 1) {
    line[copied++] = text[consumed++];
  }
  line[copied] = '\0';
  // A line cut at the buffer's size keeps its remainder for the next call.
  if (text[consumed] == '\n') consumed++;
  return consumed;
}
