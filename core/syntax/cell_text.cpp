#include "core/syntax/cell_text.h"

namespace pelmora {

std::string_view CellName(const CellTable& table, std::size_t n) {
    return n < table.names.size() ? std::string_view(table.names[n]) : std::string_view();
}

std::vector<std::uint8_t> AllCellBytes(const CellTable& table) {
    std::vector<std::uint8_t> all;
    all.reserve(table.cells.size() * table.cell.byteCount());
    for (const auto& bytes : table.cells) {
        all.insert(all.end(), bytes.begin(), bytes.end());
    }
    return all;
}

} // namespace pelmora
