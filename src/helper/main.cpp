#include <cstdio>

// The helper's sub-commands arrive with their own work; until then every
// invocation is a usage error.
int main() {
    std::fputs("usage: quorvane-helper availability|clean [--numbers words|smart|digits]|caret|sel-get|sel-set|key-watch\n",
               stderr);
    return 64;
}
