#include "mainwindow/WindowOpeners.h"

#include "core/modOpeners.h"

void RegisterWindowOpeners()
{
    // Each subsystem library registers its own windows here.
}
