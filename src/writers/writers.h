// The standard writers: publication sets written out as files.
#pragma once

#include "writers/bibtex_writer.h"
