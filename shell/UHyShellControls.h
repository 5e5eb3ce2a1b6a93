// The shell file list and folder tree: a report list of one folder's items
// (filtered by wildcards, sorted by the folder's columns, kept up to date
// with the disk) and a lazily filled folder tree that can drive the list.
#pragma once

#include "shell/UHyShellList.h"
#include "shell/UHyShellTree.h"
