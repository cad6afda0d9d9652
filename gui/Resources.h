// The resources of Cor2Tavik: dialog templates, string table and icon.
#pragma once

#include "dialogkit/ResourceModule.h"

const dialogkit::ResourceModule& Cor2TavikResources();
