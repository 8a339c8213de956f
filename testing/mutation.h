#pragma once
// Seeded damage for the mutation runs of the text parsers (header only):
// a few edits per round, each a random byte, a byte the format cares
// about, a cut, a deletion, a repeated piece or the end of the text.
#include <random>
#include <string>

namespace testing_support {

// `alphabet` holds the bytes that mean something to the format (line ends,
// separators, digits); edits draw from it half of the time.
inline std::string mutateText(std::string text, std::mt19937& rng, const std::string& alphabet) {
    const int edits = 1 + static_cast<int>(rng() % 8);
    for (int i = 0; i < edits; ++i) {
        const std::size_t at = text.empty() ? 0 : rng() % text.size();
        switch (rng() % 7) {
        case 0:
            if (!text.empty()) text[at] = static_cast<char>(rng() % 256);
            break;
        case 1:
            if (!text.empty()) text[at] = alphabet[rng() % alphabet.size()];
            break;
        case 2: text.insert(at, std::string(1 + rng() % 12, alphabet[rng() % alphabet.size()])); break;
        case 3:
            if (!text.empty()) text.erase(at, 1 + rng() % 16);
            break;
        case 4:
            if (!text.empty()) text.insert(rng() % text.size(), text.substr(at, 1 + rng() % 64));
            break;
        case 5: text.resize(at); break;
        default:
            // A long run: the bounds of lines and values.
            text.insert(at, std::string(200 + rng() % 400, alphabet[rng() % alphabet.size()]));
        }
    }
    return text;
}

}  // namespace testing_support
