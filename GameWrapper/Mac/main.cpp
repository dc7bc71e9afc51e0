// The launcher's process entry. The start-up itself lives in the library (GameWrapperEvent),
// where the tests run it too.
#include "GameWrapperEvent.h"

int main(int argc, char* argv[]) {
    return GameWrapperMain(argc, argv);
}
