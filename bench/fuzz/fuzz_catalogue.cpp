// The catalogue reader: the first 9 bytes of the input name the disc key looked up, the rest
// is the catalogue file. The record found is formatted as the windows do.
#include "catalogue/catalogue_file.h"
#include "fuzz_input.h"

using namespace lirafok;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::size_t keyBytes = size < 9 ? size : 9;
    const std::string key(reinterpret_cast<const char*>(data), keyBytes);
    const std::string path = fuzz::inputFile(kCatalogueFileName, data + keyBytes, size - keyBytes);
    const CatalogueLookup found = lookupDisc(path, key);
    (void)titleLine(found.record.title, 0);
    (void)titleLine(found.record.title, 1);
    (void)fitArtistFontSize(found.record.artist + " ");
    return 0;
}
