// velmora-cli's commands: parsing the command line, the key file, and the
// streaming conversion. GUI-free.
#include "cli/cli.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <optional>

#include "codetable/codetable.h"
#include "convert/convert.h"

namespace cli {

namespace {

constexpr std::string_view kProgram = "velmora-cli";

constexpr std::string_view kHelp =
    "Uso: velmora-cli ORDEN [--key FICHERO] [ARGUMENTOS...]\n"
    "\n"
    "Codifica y traduce texto con la clave de Velmora, sin ventana.\n"
    "\n"
    "Órdenes:\n"
    "  encode [--key FICHERO] [ENTRADA...]\n"
    "      Codifica cada ENTRADA, por orden, en la salida estándar. Sin ENTRADA,\n"
    "      o con «-», lee la entrada estándar. Como en la ventana, las mayúsculas\n"
    "      se pasan antes a minúsculas; lo que no es texto UTF-8 válido y los\n"
    "      finales de línea pasan sin cambios.\n"
    "  decode [--key FICHERO] [ENTRADA...]\n"
    "      Traduce texto codificado, igual que encode.\n"
    "  check [--key FICHERO]\n"
    "      Comprueba la clave como «Guardar» y muestra cada símbolo erróneo con\n"
    "      su motivo.\n"
    "  new [--key FICHERO] (--codes CÓDIGOS | --random)\n"
    "      Escribe una clave nueva, con la misma comprobación que «Guardar».\n"
    "      --codes da los 36 códigos, de la a a la z y del 0 al 9; --random\n"
    "      toma una permutación al azar de los 36 símbolos. Si la comprobación\n"
    "      falla, no se escribe nada.\n"
    "  show [--key FICHERO]\n"
    "      Muestra la clave: un símbolo y su código por línea.\n"
    "\n"
    "Opciones:\n"
    "  --key FICHERO  el fichero de clave; por omisión, el mismo que usa Velmora:\n"
    "                 %s\n"
    "  -h, --help     muestra esta ayuda\n"
    "\n"
    "Códigos de salida: 0 bien; 1 una entrada o la salida ha fallado; 2 uso\n"
    "incorrecto, o clave ausente o sin ningún registro completo; 3 la clave no\n"
    "pasa la comprobación. Si quien lee la salida la cierra antes de tiempo\n"
    "(como head), velmora-cli termina sin aviso y con 0.\n";

constexpr std::string_view kProcessingOrder = "abcdefghijklmnopqrstuvwxyz0123456789";

std::string inQuotes(std::string_view text) {
  return "«" + std::string(text) + "»";
}

std::string_view describe(StreamError error) {
  switch (error) {
    case StreamError::None:
      return "sin error";
    case StreamError::NotFound:
      return "no existe";
    case StreamError::AccessDenied:
      return "permiso denegado";
    case StreamError::IsFolder:
      return "es una carpeta";
    case StreamError::DiskFull:
      return "no queda espacio en el disco";
    case StreamError::BrokenPipe:
      return "la tubería está cerrada";
    case StreamError::MediaError:
      return "error de entrada/salida del dispositivo";
    case StreamError::Other:
      break;
  }
  return "error del sistema";
}

// The parsed command line.
struct Command {
  std::string name;
  std::optional<std::string> key;
  std::optional<std::string> codes;
  bool random = false;
  bool help = false;
  std::vector<std::string> inputs;
};

class Run {
 public:
  explicit Run(Console& console) : console_(console) {}

  int main(const std::vector<std::string>& args);

 private:
  void error(std::string_view text) {
    console_.writeError(std::string(kProgram) + ": " + std::string(text) + "\n");
  }
  int usage(std::string_view text) {
    error(text);
    console_.writeError("Pruebe «velmora-cli --help» para más información.\n");
    return kExitUsage;
  }
  std::string keyFile() const { return command_.key ? *command_.key : console_.defaultKeyFile(); }
  // Loads the key file as the window does; on failure reports and returns
  // nothing.
  std::optional<codetable::Codes> loadKey(codetable::Tables& tables);
  // Writes to the output; false once it has failed (reported) or its
  // reader has gone (quiet).
  bool write(std::string_view bytes);
  int finish(int status);

  int convert(bool encoding);
  int check();
  int create();
  int show();
  // Prints each faulty code with its reason; true if there was one.
  bool reportFaulty(const codetable::Codes& codes, bool toOutput);

  Console& console_;
  Command command_;
  bool outputFailed_ = false;
  bool outputGone_ = false;
};

int Run::main(const std::vector<std::string>& args) {
  bool options = true;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (options && (arg == "-h" || arg == "--help")) {
      command_.help = true;
    } else if (options && arg == "--") {
      options = false;
    } else if (options && (arg == "--key" || arg == "--codes")) {
      if (i + 1 == args.size()) return usage("a " + arg + " le falta su valor");
      (arg == "--key" ? command_.key : command_.codes) = args[++i];
    } else if (options && arg.rfind("--key=", 0) == 0) {
      command_.key = arg.substr(6);
    } else if (options && arg.rfind("--codes=", 0) == 0) {
      command_.codes = arg.substr(8);
    } else if (options && arg == "--random") {
      command_.random = true;
    } else if (options && arg.size() > 1 && arg[0] == '-') {
      return usage("opción desconocida " + inQuotes(arg));
    } else if (command_.name.empty()) {
      command_.name = arg;
    } else {
      command_.inputs.push_back(arg);
    }
  }
  if (command_.help) {
    std::string help(kHelp);
    const std::size_t at = help.find("%s");
    help.replace(at, 2, console_.defaultKeyFile());
    (void)write(help);
    return finish(kExitOk);
  }
  const std::string& name = command_.name;
  if (name.empty()) return usage("falta la orden: encode, decode, check, new o show");
  const bool converts = name == "encode" || name == "decode";
  if (!converts && name != "check" && name != "new" && name != "show")
    return usage("orden desconocida " + inQuotes(name));
  if (!converts && !command_.inputs.empty())
    return usage("la orden " + name + " no lleva entradas: " + inQuotes(command_.inputs.front()));
  if (name != "new" && (command_.codes || command_.random))
    return usage("--codes y --random son solo para la orden new");
  if (converts) return convert(name == "encode");
  if (name == "check") return check();
  if (name == "new") return create();
  return show();
}

std::optional<codetable::Codes> Run::loadKey(codetable::Tables& tables) {
  const std::string path = keyFile();
  codetable::ConfigRecord record{};
  auto codes = codetable::loadConfigurationFile(path, record, tables);
  if (!codes) {
    if (!codetable::fileExists(path))
      error("no existe el fichero de clave " + inQuotes(path) +
            "; créelo con «velmora-cli new» o con el Configurador");
    else
      error("el fichero de clave " + inQuotes(path) + " no contiene ningún registro completo");
  }
  return codes;
}

bool Run::write(std::string_view bytes) {
  if (outputFailed_ || outputGone_) return false;
  const StreamError e = console_.writeOutput(bytes);
  if (e == StreamError::None) return true;
  if (e == StreamError::BrokenPipe) {
    outputGone_ = true;
  } else {
    outputFailed_ = true;
    error("no se puede escribir la salida: " + std::string(describe(e)));
  }
  return false;
}

int Run::finish(int status) {
  if (!outputFailed_ && !outputGone_) {
    const StreamError e = console_.finishOutput();
    if (e != StreamError::None && e != StreamError::BrokenPipe) {
      outputFailed_ = true;
      error("no se puede escribir la salida: " + std::string(describe(e)));
    }
  }
  return outputFailed_ ? kExitInputOutput : status;
}

int Run::convert(bool encoding) {
  codetable::Tables tables;
  if (!loadKey(tables)) return kExitUsage;
  const codetable::Table& table = encoding ? tables.EncodeTable : tables.DecodeTable;
  std::vector<std::string> inputs = command_.inputs;
  if (inputs.empty()) inputs.push_back("-");

  int status = kExitOk;
  // Made once: a string resized for each block would be zeroed each time.
  std::string block(kBlockSize, '\0'), lowered(lowerTextRoom(kBlockSize), '\0');
  for (const std::string& input : inputs) {
    StreamError openError = StreamError::None;
    const std::unique_ptr<Reader> reader = console_.open(input, openError);
    const std::string name = input == "-" ? "la entrada estándar" : inQuotes(input);
    if (!reader) {
      error("no se puede leer " + name + ": " + std::string(describe(openError)));
      status = kExitInputOutput;
      continue;
    }
    // Each block is cut after its last whole character; the cut-off bytes
    // (at most 3) start the next block.
    std::size_t carried = 0;
    for (;;) {
      const std::ptrdiff_t n = reader->read(block.data() + carried, kBlockSize - carried);
      if (n < 0) {
        error("no se puede leer " + name + ": " + std::string(describe(reader->error())));
        status = kExitInputOutput;
      }
      const std::size_t filled = carried + static_cast<std::size_t>(std::max<std::ptrdiff_t>(n, 0));
      const std::string_view bytes(block.data(), filled);
      // At the end, bytes of a sequence that never finished pass as they are.
      const std::size_t whole = n > 0 ? completeLength(bytes) : filled;
      const std::size_t length = lowerText(bytes.substr(0, whole), lowered.data());
      // A reader that has gone ends the run quietly, keeping the status.
      if (length > 0 &&
          !write(convert::substituteText(std::string_view(lowered.data(), length), table)))
        return finish(outputGone_ ? status : kExitInputOutput);
      if (n <= 0) break;
      carried = filled - whole;
      std::memmove(block.data(), block.data() + whole, carried);
    }
  }
  return finish(status);
}

// Why the check refuses the code of symbol i; the rule is faultyCodes'.
std::string reason(const codetable::Codes& codes, std::size_t i) {
  if (codes[i].empty()) return "no tiene código";
  const auto first = static_cast<std::uint8_t>(codes[i][0]);
  const std::string shown = codes[i].substr(0, characterLength(codes[i]));
  if (!codetable::isConvertible(first))
    return "su código " + inQuotes(shown) + " no es una letra ni una cifra ASCII";
  const auto faulty = codetable::faultyCodes(codes);
  for (std::size_t j = 0; j < i; ++j)
    if (!faulty[j] && static_cast<std::uint8_t>(codes[j][0]) == first)
      return "su código " + inQuotes(shown) + " ya es el de " +
             inQuotes(std::string(1, kProcessingOrder[j]));
  return "su código no es válido";
}

bool Run::reportFaulty(const codetable::Codes& codes, bool toOutput) {
  const auto faulty = codetable::faultyCodes(codes);
  bool any = false;
  for (std::size_t i = 0; i < faulty.size(); ++i) {
    if (!faulty[i]) continue;
    any = true;
    const std::string line = std::string(1, kProcessingOrder[i]) + ": " + reason(codes, i) + "\n";
    if (toOutput)
      (void)write(line);
    else
      console_.writeError(line);
  }
  return any;
}

int Run::check() {
  codetable::Tables tables;
  const auto codes = loadKey(tables);
  if (!codes) return kExitUsage;
  if (reportFaulty(*codes, true)) return finish(kExitCheck);
  (void)write("La clave es correcta.\n");
  return finish(kExitOk);
}

int Run::create() {
  if (command_.codes.has_value() == command_.random)
    return usage("la orden new necesita --codes CÓDIGOS o bien --random");
  codetable::Codes codes;
  if (command_.codes) {
    std::string_view text = *command_.codes;
    std::size_t count = 0;
    while (!text.empty()) {
      const std::size_t length = characterLength(text);
      if (count < codes.size()) codes[count].assign(text.substr(0, length));
      ++count;
      text.remove_prefix(length);
    }
    if (count != codes.size())
      return usage("--codes necesita 36 códigos, de la a a la z y del 0 al 9; hay " +
                   std::to_string(count));
  } else {
    // Fisher-Yates over the 36 symbols; each draw rejects the values that
    // would make some positions likelier than others.
    std::string symbols(kProcessingOrder);
    for (std::size_t i = symbols.size() - 1; i > 0; --i) {
      const std::uint32_t range = static_cast<std::uint32_t>(i + 1);
      const std::uint32_t limit = UINT32_MAX - UINT32_MAX % range;
      std::uint32_t value;
      do {
        if (!console_.randomBytes(&value, sizeof value)) {
          error("el sistema no ha dado números aleatorios; no se ha escrito nada");
          return kExitInputOutput;
        }
      } while (value >= limit);
      std::swap(symbols[i], symbols[value % range]);
    }
    for (std::size_t i = 0; i < codes.size(); ++i) codes[i].assign(1, symbols[i]);
  }
  if (reportFaulty(codes, false)) {
    error("la clave no pasa la comprobación; no se ha escrito nada");
    return kExitCheck;
  }

  const std::string path = keyFile();
  // As the configurator does: the record starts from the file as it is, so
  // the bytes that a save keeps are kept.
  codetable::ConfigRecord record{};
  codetable::Tables tables;
  (void)codetable::loadConfigurationFile(path, record, tables);
  const std::string folder = codetable::directoryOf(path);
  if (!folder.empty() && !codetable::fileExists(folder)) {
    std::error_code ignored;  // a failure shows in the save below
    std::filesystem::create_directories(
        std::filesystem::path(std::u8string(folder.begin(), folder.end())), ignored);
  }
  const codetable::SaveOutcome outcome =
      codetable::saveConfigurationFile(path, codes, record, tables);
  if (!outcome.ok()) {
    error("no se puede guardar " + inQuotes(path) + ": " + codetable::errorMessage(outcome));
    return kExitInputOutput;
  }
  return kExitOk;
}

int Run::show() {
  codetable::Tables tables;
  if (!loadKey(tables)) return kExitUsage;
  std::string text;
  for (const codetable::Symbol& symbol : codetable::Symbols) {
    text += symbol.symbol;
    text += ' ';
    text += codetable::readCell(
        *codetable::cellFor(tables.EncodeTable, static_cast<std::uint8_t>(symbol.symbol)));
    text += '\n';
  }
  (void)write(text);
  return finish(kExitOk);
}

// The process's own inputs.
class SystemReader : public Reader {
 public:
  os::InputStream stream;
  std::ptrdiff_t read(char* buffer, std::size_t size) override { return stream.read(buffer, size); }
  StreamError error() const override { return stream.error(); }
};

}  // namespace

int runCli(const std::vector<std::string>& args, Console& console) {
  return Run(console).main(args);
}

std::unique_ptr<Reader> SystemConsole::open(const std::string& input, StreamError& error) {
  auto reader = std::make_unique<SystemReader>();
  if (input == "-") {
    reader->stream.openStandardInput();
    return reader;
  }
  error = reader->stream.open(input);
  if (error != StreamError::None) return nullptr;
  return reader;
}

StreamError SystemConsole::writeOutput(std::string_view bytes) {
  return os::writeStandardOutput(bytes);
}

StreamError SystemConsole::finishOutput() {
  return os::closeStandardOutput();
}

void SystemConsole::writeError(std::string_view text) {
  os::writeStandardError(text);
}

std::string SystemConsole::defaultKeyFile() {
  return codetable::configFilePath(codetable::programDir());
}

bool SystemConsole::randomBytes(void* buffer, std::size_t size) {
  return os::randomBytes(buffer, size);
}

}  // namespace cli
