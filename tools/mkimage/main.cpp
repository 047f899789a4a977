// rlq-mkimage: makes stand-in payloads, builds firmware images and checks them.
//   rlq-mkimage payload --size N --seed S [--sum 0xHHHH] -o FILE
//   rlq-mkimage build --kind K --version V --payload FILE -o FILE
//   rlq-mkimage check FILE [--kind K] [--version V] [--payload-size N] [--size-text FILE]
//   rlq-mkimage chunks IMAGE -o DIR      the main unit's request bodies, DIR/chunk-00 ...
//   rlq-mkimage transform IMAGE -o FILE  the sub unit's payload as its loader receives it
// (the last two make the same bytes the updater sends, for peers in benchmarks)

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "firmware/chunk_message.h"
#include "firmware/image_format.h"
#include "firmware/sub_image_transform.h"
#include "tools/mkimage/image_tool.h"

namespace {

using rlq::mkimage::Expectation;

int Fail(const std::string& message) {
    std::cerr << "rlq-mkimage: " << message << "\n";
    return 1;
}

bool ReadFile(const std::string& path, std::vector<std::uint8_t>& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

bool WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out.flush());
}

// Options of the form --name value; the first bare word after the command is the operand.
struct Arguments {
    std::map<std::string, std::string> options;
    std::string operand;
};

bool ParseArguments(int argc, char** argv, Arguments& args) {
    for (int i = 2; i < argc; ++i) {
        std::string word = argv[i];
        if (word.rfind("-", 0) == 0) {
            if (i + 1 >= argc) {
                return false;
            }
            args.options[word] = argv[++i];
        } else if (args.operand.empty()) {
            args.operand = word;
        } else {
            return false;
        }
    }
    return true;
}

bool Number(const Arguments& args, const std::string& name, unsigned long& value) {
    auto found = args.options.find(name);
    if (found == args.options.end()) {
        return false;
    }
    char* end = nullptr;
    value = std::strtoul(found->second.c_str(), &end, 0);
    return end && *end == '\0';
}

int MakePayload(const Arguments& args) {
    unsigned long size = 0, seed = 0, sum = 0;
    if (!Number(args, "--size", size) || !Number(args, "--seed", seed) ||
        !args.options.count("-o")) {
        return Fail("payload needs --size, --seed and -o");
    }
    std::optional<std::uint16_t> wordSum;
    if (args.options.count("--sum")) {
        if (!Number(args, "--sum", sum) || sum > 0xFFFF || size % 2 != 0) {
            return Fail("--sum takes a 16-bit value and an even size");
        }
        wordSum = static_cast<std::uint16_t>(sum);
    }
    auto payload =
        rlq::mkimage::MakeStandInPayload(size, static_cast<std::uint32_t>(seed), wordSum);
    return WriteFile(args.options.at("-o"), payload)
               ? 0
               : Fail("cannot write " + args.options.at("-o"));
}

int Build(const Arguments& args) {
    unsigned long kind = 0;
    auto version = args.options.count("--version")
                       ? rlq::mkimage::ParseVersionText(args.options.at("--version"))
                       : std::nullopt;
    if (!Number(args, "--kind", kind) || !version || !args.options.count("--payload") ||
        !args.options.count("-o")) {
        return Fail("build needs --kind, --version d.dd, --payload and -o");
    }
    std::vector<std::uint8_t> payload;
    if (!ReadFile(args.options.at("--payload"), payload)) {
        return Fail("cannot read " + args.options.at("--payload"));
    }
    auto image = rlq::mkimage::BuildImage(static_cast<std::uint16_t>(kind), *version, payload);
    return WriteFile(args.options.at("-o"), image) ? 0
                                                   : Fail("cannot write " + args.options.at("-o"));
}

int Check(const Arguments& args) {
    std::vector<std::uint8_t> image;
    if (args.operand.empty() || !ReadFile(args.operand, image)) {
        return Fail("check needs a readable image");
    }
    Expectation expected;
    unsigned long value = 0;
    if (Number(args, "--kind", value)) {
        expected.kind = static_cast<std::uint16_t>(value);
    }
    if (args.options.count("--version")) {
        expected.version = rlq::mkimage::ParseVersionText(args.options.at("--version"));
        if (!expected.version) {
            return Fail("--version takes d.dd");
        }
    }
    if (Number(args, "--payload-size", value)) {
        expected.payloadSize = static_cast<std::uint32_t>(value);
    }
    if (args.options.count("--size-text")) {
        std::vector<std::uint8_t> text;
        if (!ReadFile(args.options.at("--size-text"), text)) {
            return Fail("cannot read " + args.options.at("--size-text"));
        }
        if (rlq::ParseSizeText(text) != image.size()) {
            return Fail(args.operand + ": the size text does not give the image's length");
        }
    }
    const std::string problem = rlq::mkimage::CheckImage(image, expected);
    if (!problem.empty()) {
        return Fail(args.operand + ": " + problem);
    }
    return 0;
}

bool ReadPayload(const Arguments& args, std::vector<std::uint8_t>& payload) {
    if (args.operand.empty() || !args.options.count("-o") || !ReadFile(args.operand, payload) ||
        payload.size() < rlq::image_header::kSize) {
        return false;
    }
    payload.erase(payload.begin(), payload.begin() + rlq::image_header::kSize);
    return true;
}

int WriteChunks(const Arguments& args) {
    std::vector<std::uint8_t> payload;
    if (!ReadPayload(args, payload)) {
        return Fail("chunks needs a readable image and -o DIR");
    }
    std::vector<std::uint8_t> message(rlq::kChunkMessageSize);
    for (std::size_t counter = 0; (counter + 1) * rlq::kChunkDataSize <= payload.size();
         ++counter) {
        rlq::BuildChunkMessage(payload.data() + counter * rlq::kChunkDataSize,
                               static_cast<std::uint16_t>(counter), message.data());
        char name[16];
        std::snprintf(name, sizeof name, "/chunk-%02zu", counter);
        if (!WriteFile(args.options.at("-o") + name, message)) {
            return Fail("cannot write into " + args.options.at("-o"));
        }
    }
    return 0;
}

int WriteTransformed(const Arguments& args) {
    std::vector<std::uint8_t> payload;
    if (!ReadPayload(args, payload)) {
        return Fail("transform needs a readable image and -o FILE");
    }
    rlq::SubImageTransform transform;
    for (std::uint8_t& byte : payload) {
        byte = transform.Next(byte);
    }
    return WriteFile(args.options.at("-o"), payload)
               ? 0
               : Fail("cannot write " + args.options.at("-o"));
}

}  // namespace

int main(int argc, char** argv) {
    Arguments args;
    if (argc < 2 || !ParseArguments(argc, argv, args)) {
        return Fail("usage: rlq-mkimage payload|build|check|chunks|transform ...");
    }
    const std::string command = argv[1];
    if (command == "payload") {
        return MakePayload(args);
    }
    if (command == "build") {
        return Build(args);
    }
    if (command == "check") {
        return Check(args);
    }
    if (command == "chunks") {
        return WriteChunks(args);
    }
    if (command == "transform") {
        return WriteTransformed(args);
    }
    return Fail("unknown command " + command);
}
