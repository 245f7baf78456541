// The default model's description, as WriteDefaultModel writes it to "6".
#pragma once

#include "ms3d_writer.h"

ms3d_writer::File BuildDefaultModel();
