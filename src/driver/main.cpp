#include <cstdio>

int main() {
  printf("Brunsk is not built yet: the program entry comes with the driver.\n");
  return 0;
}
