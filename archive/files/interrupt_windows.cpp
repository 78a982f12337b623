// Windows has no ending signals: nothing is guarded yet.
#include "archive/files/interrupt.h"

void GuardFile(const char *) {}
void HoldEndingSignals() {}
void ReleaseEndingSignals() {}
