#pragma once
// File helpers the platform tests of both systems share: a whole file read, and a wait for a file
// that another process writes.

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

namespace zelprax::teste {

inline std::string LerArquivo(const std::filesystem::path& caminho) {
    std::ifstream arquivo(caminho, std::ios::binary);
    std::ostringstream texto;
    texto << arquivo.rdbuf();
    return texto.str();
}

inline bool EsperarArquivo(const std::filesystem::path& caminho, std::chrono::milliseconds limite) {
    const auto fim = std::chrono::steady_clock::now() + limite;
    while (std::chrono::steady_clock::now() < fim) {
        if (std::filesystem::exists(caminho)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return std::filesystem::exists(caminho);
}

}  // namespace zelprax::teste
