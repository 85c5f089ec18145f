#include "ui/named_choices.h"

namespace pelmora {

void ReadForgiving(NamedValues values, const std::function<void(AssetReader&)>& read) {
    for (;;) {
        AssetReader reader(values, KeyStyle::Key, ProblemsSaid::Every);
        read(reader);
        std::size_t left = 0;
        for (const OptionProblem& problem : reader.problems()) {
            left += values.erase(problem.key);
        }
        // Each round leaves a key out, so this ends; a problem of no key keeps the defaults.
        if (reader.ok() || left == 0) {
            return;
        }
    }
}

Preparation ReadPreparationChoices(NamedValues values, const PanelLayout& layout) {
    NamedValues threshold;
    if (const auto given = values.find("threshold"); given != values.end()) {
        threshold.insert(values.extract(given));
    }
    Preparation preparation;
    ReadForgiving(std::move(values), [&](AssetReader& reader) {
        preparation = Preparation{};
        reader.readPreparation(layout, preparation);
    });
    if (!threshold.empty()) {
        Preparation alone;
        ReadForgiving(std::move(threshold), [&](AssetReader& reader) {
            alone = Preparation{};
            reader.readPreparation(layout, alone);
        });
        preparation.options.threshold = alone.options.threshold;
    }
    return preparation;
}

} // namespace pelmora
