#include "app/game_data.h"

#include <memory>

#include "app/config_parser.h"
#include "app/data_stream.h"
#include "app/files.h"

namespace {

std::unique_ptr<TTextBuffer>& GameDataCell() {
  static std::unique_ptr<TTextBuffer> text;
  return text;
}

}  // namespace

std::string GetGameDataConfigPath() { return GetConfigsFolder() + "Drannoc Data.cfg"; }

std::string GetTestGameDataConfigPath() { return GetConfigsFolder() + "Test Drannoc Data.cfg"; }

const TTextBuffer& GetGameDataConfig() {
  auto& text = GameDataCell();
  if (!text) {
    text = std::make_unique<TTextBuffer>();
    if (!text->Load(GetGameDataConfigPath())) {
      text->Clear();
    }
  }
  return *text;
}

void LoadTestGameDataConfig() {
  auto& text = GameDataCell();
  if (!text) {
    text = std::make_unique<TTextBuffer>();
  }
  text->Clear();
  if (!text->Load(GetTestGameDataConfigPath())) {
    text->Clear();
  }
}

void DestroyGameDataConfig() { GameDataCell().reset(); }

std::string GetGameDataVersion(const std::string& text) {
  TConfigParser parser(text);
  std::string version;
  if (parser.SelectSection("Version Info")) {
    parser.GetString("Version", version);
  }
  return version;
}

bool TPlayerData::Save(TDataStream& stream) const {
  return stream.WriteString(playerName) && stream.WriteString(emailAddress) &&
         stream.WriteString(password);
}

bool TPlayerData::Load(TDataStream& stream) {
  playerName = stream.ReadString();
  emailAddress = stream.ReadString();
  password = stream.ReadString();
  return !stream.HasFailed();
}
