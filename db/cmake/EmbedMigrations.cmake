# Writes OUTPUT: a C++ source with every MIGRATIONS_DIR/NNNN_name.sql as a raw string
# literal, so the tools carry their schema and never look for .sql files at run time.
# Run as: cmake -DMIGRATIONS_DIR=... -DOUTPUT=... -P EmbedMigrations.cmake

if(NOT MIGRATIONS_DIR OR NOT OUTPUT)
  message(FATAL_ERROR "EmbedMigrations.cmake: defina MIGRATIONS_DIR e OUTPUT")
endif()

file(GLOB files RELATIVE "${MIGRATIONS_DIR}" "${MIGRATIONS_DIR}/*.sql")
list(SORT files)
if(NOT files)
  message(FATAL_ERROR "Nenhuma migração encontrada em ${MIGRATIONS_DIR}")
endif()

set(entries "")
set(expected 1)
foreach(file IN LISTS files)
  if(NOT file MATCHES "^([0-9][0-9][0-9][0-9])_([a-z0-9_]+)\\.sql$")
    message(FATAL_ERROR "Nome de migração inválido: ${file} (use NNNN_nome.sql, minúsculas)")
  endif()
  # Strip leading zeros ourselves: math(EXPR) would not read "0010" as ten everywhere.
  string(REGEX REPLACE "^0+" "" version "${CMAKE_MATCH_1}")
  if(NOT version EQUAL expected)
    message(FATAL_ERROR "Migração ${file} fora de sequência: esperava a versão ${expected}")
  endif()
  math(EXPR expected "${expected} + 1")
  string(REGEX REPLACE "\\.sql$" "" name "${file}")

  file(READ "${MIGRATIONS_DIR}/${file}" sql)
  string(FIND "${sql}" ")erpsql\"" clash)
  if(NOT clash EQUAL -1)
    message(FATAL_ERROR "${file} contém o delimitador reservado )erpsql\"")
  endif()
  string(APPEND entries "    {${version}, \"${name}\", R\"erpsql(${sql})erpsql\"},\n")
endforeach()

list(LENGTH files count)
file(WRITE "${OUTPUT}"
"// Gerado por db/cmake/EmbedMigrations.cmake a partir de db/migrations; não editar.
#include \"db/MigrationsDetail.h\"

namespace erpdb::detail {

const EmbeddedMigration kEmbeddedMigrations[] = {
${entries}};

const std::size_t kEmbeddedMigrationCount = ${count};

}  // namespace erpdb::detail
")
