#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "QivUnicodeControls/wide_property_streaming.h"

namespace qiv_test {

// Records what the component defines, as a form reader or writer would see it.
class RecordingFiler : public qiv::WidePropertyFiler {
  public:
    struct Definition {
        std::string name;
        Reader reader;
        Writer writer;
        bool hasData;
    };
    std::vector<Definition> definitions;
    const qiv::WideStringComponent* ancestor = nullptr;
    bool designing = true;

    void DefineProperty(const std::string& name, Reader reader, Writer writer,
                        bool hasData) override {
        definitions.push_back({name, std::move(reader), std::move(writer), hasData});
    }
    const qiv::WideStringComponent* Ancestor() const override { return ancestor; }
    bool Designing() const override { return designing; }

    const Definition& Find(const std::string& name) const {
        for (const Definition& d : definitions)
            if (d.name == name) return d;
        throw std::out_of_range(name);
    }
};

}  // namespace qiv_test
