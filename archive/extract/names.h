// Which entry names may become file names in the working directory.
#pragma once

// Why `name` must not be used as a file name, or nullptr when it is safe.
// windowsRules adds the names Windows treats as devices or alters.
const char *FindUnsafeNameReason(const char *name, bool windowsRules);
