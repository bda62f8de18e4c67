#pragma once

// The program's version, one place for the version resource, the About box,
// the log header and the name of the download (scripts/package reads it).
// Plain defines, so that the resource compiler reads them too.
#define RUBO_VERSION_MAJOR 1
#define RUBO_VERSION_MINOR 20
#define RUBO_VERSION_TEXT "1.20"
