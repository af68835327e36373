#pragma once

// The offscreen platform warns about every window operation it lacks
// (raise, grabs, size hints); those lines buried the warnings that matter.
// Drops exactly those and passes everything else on. Installed once, by
// the first rig (a prompter, a folder) a test function makes, on top of
// Qt Test's own handler.
void quietPlatformNoise();
