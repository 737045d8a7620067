// `tessel schema`: a JSON Schema (draft 2020-12) of the project file, made from the key
// vocabulary and the tables `tessel build` reads, so that editors check what the build accepts.
#pragma once
#include <ostream>

namespace tessel {

// The name `tessel init` gives the schema beside a project and names in its `#:schema` line.
constexpr const char* kSchemaFileName = "tessel.schema.json";

void printProjectSchema(std::ostream& out);

}  // namespace tessel
