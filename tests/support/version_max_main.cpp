// A program whose version record has the largest and smallest part values.
#include "support/version_record.h"

CORVANTA_VERSION_RECORD(65535, 0, 10, 65535, 1, 0, 0, 0, "Version bounds", "Corvanta");

int main() { return 0; }
