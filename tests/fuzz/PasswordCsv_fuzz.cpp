// Input: the bytes of a password CSV file. Checks that the CSV reader gives the same records
// back once they are written again fully quoted, and that whatever the password list reader
// takes in fits the data file: no line break, tab or 0x08 in a field and no field ending in
// half a character. Any error other than the program's own refusal aborts.

#include "common/Cp932.h"
#include "common/Error.h"
#include "store/ItemDataList.h"
#include "support/FakeFiles.h"
#include "support/IconvTextCodec.h"
#include "transfer/PasswordCsv.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace tobrix;

std::vector<std::vector<std::string>> Records(std::string_view text) {
    CsvReader reader(text);
    std::vector<CsvField> fields;
    std::vector<std::vector<std::string>> out;
    std::size_t line = 0;
    while (reader.Next(fields)) {
        if (reader.Line() <= line || reader.LinesRead() + 1 < reader.Line())
            std::abort(); // lines only go forward
        line = reader.Line();
        out.emplace_back();
        for (const CsvField& f : fields) {
            if (f.begin > f.end || f.end > text.size())
                std::abort();
            out.back().push_back(f.text);
        }
    }
    return out;
}

std::string Quoted(const std::vector<std::vector<std::string>>& records) {
    std::string out;
    for (const auto& record : records) {
        for (std::size_t k = 0; k < record.size(); ++k) {
            if (k != 0)
                out += ',';
            out += '"';
            for (const char c : record[k]) {
                if (c == '"')
                    out += '"';
                out += c;
            }
            out += '"';
        }
        out += "\r\n";
    }
    return out;
}

bool FitsDataFile(const std::string& field) {
    if (field.find_first_of(std::string_view("\r\n\t\x08", 4)) != std::string::npos)
        return false;
    std::size_t run = 0;
    while (run < field.size() && IsLeadByte(static_cast<unsigned char>(field[field.size() - 1 - run])))
        ++run;
    return run % 2 == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    try {
        const auto records = Records(bytes);
        if (Records(Quoted(records)) != records)
            std::abort();
    } catch (const AppError&) {
        // a quote left open
    }

    static test::IconvTextCodec codec;
    test::FakeFiles files;
    ItemDataList list, existing;
    existing.AppendNew().Title = "a";
    TfrmPasswordCsv reader(list, existing, true, files, codec);
    try {
        reader.ReadBytes(bytes);
    } catch (const AppError&) {
        return 0;
    }
    for (int i = 0; i < list.Count(); ++i) {
        const TVirtualItem& item = list.At(i);
        for (const std::string* field : {&item.Title, &item.UserID, &item.Password, &item.Memo, &item.URL})
            if (!FitsDataFile(*field))
                std::abort();
        if (item.Title.empty() || item.MaskedPassword.size() != item.Password.size())
            std::abort();
    }
    return 0;
}
