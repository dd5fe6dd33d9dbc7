// Identifiers shared by the resource script and the code.
#pragma once

#define IDI_APPLICATION_ICON 1
#define IDI_BROWSE_GLYPH 2
