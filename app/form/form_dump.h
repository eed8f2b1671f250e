// The decoded window description as an indented text tree: every record with
// its kind, id, position, properties, host entries and each key of a hosted
// component's stored set (fonts as name, size, weight and character set;
// pictures as format, size and byte count), then the menus with their
// structure. formdump prints this.
#pragma once

#include <string>

#include "app/form/form_model.h"

namespace kavrel::app {

std::string DumpForm(const FormDescription& form);

}  // namespace kavrel::app
