#include <cstdio>

#include "driver/RangeDialogue.h"

int main() {
  printf("Brunsk, version %s by Tormelin\n", "1.1");
  RangeDialogue();
  printf("coucou\n");
  return 0;
}
