#pragma once

#include <QCommandLineOption>

// Reads "--scale N" or "--scale=N" and sets the device pixel ratio the application will draw at.
// It must run before the application object exists, because the ratio is fixed when the screens
// are set up. Returns false, after printing why on stderr under `program`'s name, when N is not
// a ratio from 1 to 4.
bool applyScaleArgument(int argc, char** argv, const char* program);

// The "--scale" option as a program's help lists it (applyScaleArgument has read it already).
QCommandLineOption scaleOption();
