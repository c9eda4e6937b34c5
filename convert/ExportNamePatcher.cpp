// Renames symbols of a finished ELF shared library in place:
//
//   ExportNamePatcher LIBRARY OLD NEW [OLD NEW ...]
//
// Each NEW must have the length of its OLD. The names are rewritten in the
// dynamic and the static string tables, and the SysV symbol hash table is
// rebuilt for the new names. A library with a GNU hash table is refused (link
// it with --hash-style=sysv). Running it again on a renamed library changes
// nothing.
#include <elf.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

struct Section {
  std::string name;
  std::uint32_t type = 0;
  std::uint64_t offset = 0;
  std::uint64_t size = 0;
  std::uint32_t link = 0;
  std::uint64_t entrySize = 0;
};

template <typename T>
T readAt(const Bytes& file, std::uint64_t offset) {
  if (offset + sizeof(T) > file.size()) throw std::runtime_error("truncated ELF file");
  T value;
  std::memcpy(&value, file.data() + offset, sizeof(T));
  return value;
}

template <typename T>
void writeAt(Bytes& file, std::uint64_t offset, T value) {
  if (offset + sizeof(T) > file.size()) throw std::runtime_error("truncated ELF file");
  std::memcpy(file.data() + offset, &value, sizeof(T));
}

std::uint32_t elfHash(const char* name) {
  std::uint32_t h = 0;
  for (; *name != '\0'; ++name) {
    h = (h << 4) + static_cast<unsigned char>(*name);
    const std::uint32_t g = h & 0xF0000000u;
    if (g != 0) h ^= g >> 24;
    h &= ~g;
  }
  return h;
}

template <typename Ehdr, typename Shdr>
std::vector<Section> readSections(const Bytes& file) {
  const auto header = readAt<Ehdr>(file, 0);
  std::vector<Section> sections;
  for (unsigned i = 0; i < header.e_shnum; ++i) {
    const auto sh = readAt<Shdr>(file, header.e_shoff + std::uint64_t{i} * header.e_shentsize);
    sections.push_back({{}, sh.sh_type, sh.sh_offset, sh.sh_size, sh.sh_link, sh.sh_entsize});
  }
  if (header.e_shstrndx >= sections.size()) throw std::runtime_error("no section name table");
  const Section& names = sections[header.e_shstrndx];
  for (unsigned i = 0; i < header.e_shnum; ++i) {
    const auto sh = readAt<Shdr>(file, header.e_shoff + std::uint64_t{i} * header.e_shentsize);
    if (names.offset + sh.sh_name >= file.size()) throw std::runtime_error("bad section name");
    sections[i].name = reinterpret_cast<const char*>(file.data() + names.offset + sh.sh_name);
  }
  return sections;
}

const Section* findSection(const std::vector<Section>& sections, const std::string& name) {
  for (const Section& s : sections)
    if (s.name == name) return &s;
  return nullptr;
}

// Replaces every complete (NUL-delimited) occurrence of `from` in the table;
// returns how many it replaced.
int renameInStringTable(Bytes& file, const Section& table, const std::string& from, const std::string& to) {
  int count = 0;
  std::uint64_t start = table.offset;
  const std::uint64_t end = table.offset + table.size;
  while (start < end) {
    std::uint64_t stop = start;
    while (stop < end && file[stop] != '\0') ++stop;
    // A table may share one string's tail for a shorter name: match on suffixes too.
    const std::uint64_t length = stop - start;
    if (length >= from.size() &&
        std::memcmp(file.data() + stop - from.size(), from.data(), from.size()) == 0) {
      std::memcpy(file.data() + stop - from.size(), to.data(), to.size());
      ++count;
    }
    start = stop + 1;
  }
  return count;
}

bool stringTableHolds(const Bytes& file, const Section& table, const std::string& name) {
  const auto* begin = file.data() + table.offset;
  const std::string text(reinterpret_cast<const char*>(begin), table.size);
  return text.find(std::string(1, '\0') + name + std::string(1, '\0')) != std::string::npos ||
         text.rfind(name + std::string(1, '\0'), 0) == 0;
}

template <typename Sym>
void rebuildSysvHash(Bytes& file, const Section& hash, const Section& dynsym, const Section& dynstr) {
  const auto nbucket = readAt<std::uint32_t>(file, hash.offset);
  const auto nchain = readAt<std::uint32_t>(file, hash.offset + 4);
  const std::uint64_t symbols = dynsym.size / sizeof(Sym);
  if (nbucket == 0 || nchain != symbols) throw std::runtime_error("hash table does not match .dynsym");
  const std::uint64_t buckets = hash.offset + 8;
  const std::uint64_t chains = buckets + std::uint64_t{nbucket} * 4;
  for (std::uint32_t b = 0; b < nbucket; ++b) writeAt<std::uint32_t>(file, buckets + b * 4ull, 0);
  for (std::uint32_t i = 0; i < nchain; ++i) writeAt<std::uint32_t>(file, chains + i * 4ull, 0);
  // Index 0 is the undefined symbol and belongs to no chain.
  for (std::uint32_t i = 1; i < nchain; ++i) {
    const auto sym = readAt<Sym>(file, dynsym.offset + i * std::uint64_t{sizeof(Sym)});
    if (sym.st_name >= dynstr.size) throw std::runtime_error("bad symbol name offset");
    const char* name = reinterpret_cast<const char*>(file.data() + dynstr.offset + sym.st_name);
    const std::uint32_t bucket = elfHash(name) % nbucket;
    writeAt<std::uint32_t>(file, chains + i * 4ull, readAt<std::uint32_t>(file, buckets + bucket * 4ull));
    writeAt<std::uint32_t>(file, buckets + bucket * 4ull, i);
  }
}

template <typename Ehdr, typename Shdr, typename Sym>
void renameSymbols(Bytes& file, const std::vector<std::pair<std::string, std::string>>& renames) {
  const auto sections = readSections<Ehdr, Shdr>(file);
  if (findSection(sections, ".gnu.hash")) throw std::runtime_error("has a GNU hash table; link with --hash-style=sysv");
  const Section* dynsym = findSection(sections, ".dynsym");
  const Section* dynstr = findSection(sections, ".dynstr");
  const Section* hash = findSection(sections, ".hash");
  if (!dynsym || !dynstr || !hash) throw std::runtime_error("no .dynsym, .dynstr or .hash section");
  const Section* strtab = findSection(sections, ".strtab");

  for (const auto& [from, to] : renames) {
    const int renamed = renameInStringTable(file, *dynstr, from, to);
    if (renamed == 0 && !stringTableHolds(file, *dynstr, to))
      throw std::runtime_error("no dynamic symbol named " + from);
    if (strtab) renameInStringTable(file, *strtab, from, to);
  }
  rebuildSysvHash<Sym>(file, *hash, *dynsym, *dynstr);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4 || (argc - 2) % 2 != 0) {
    std::cerr << "usage: ExportNamePatcher LIBRARY OLD NEW [OLD NEW ...]\n";
    return 2;
  }
  const std::string path = argv[1];
  try {
    std::vector<std::pair<std::string, std::string>> renames;
    for (int i = 2; i + 1 < argc; i += 2) {
      renames.emplace_back(argv[i], argv[i + 1]);
      if (renames.back().first.size() != renames.back().second.size())
        throw std::runtime_error("new name " + renames.back().second + " differs in length from " +
                                 renames.back().first);
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot open the file");
    Bytes file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.close();
    if (file.size() < EI_NIDENT || std::memcmp(file.data(), ELFMAG, SELFMAG) != 0)
      throw std::runtime_error("not an ELF file");
    if (file[EI_DATA] != ELFDATA2LSB) throw std::runtime_error("only little-endian ELF files are handled");
    if (file[EI_CLASS] == ELFCLASS64)
      renameSymbols<Elf64_Ehdr, Elf64_Shdr, Elf64_Sym>(file, renames);
    else if (file[EI_CLASS] == ELFCLASS32)
      renameSymbols<Elf32_Ehdr, Elf32_Shdr, Elf32_Sym>(file, renames);
    else
      throw std::runtime_error("unknown ELF class");

    std::fstream out(path, std::ios::binary | std::ios::in | std::ios::out);
    if (!out) throw std::runtime_error("cannot write the file");
    out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    if (!out) throw std::runtime_error("cannot write the file");
  } catch (const std::exception& e) {
    std::cerr << "ExportNamePatcher: " << path << ": " << e.what() << '\n';
    return 1;
  }
  return 0;
}
