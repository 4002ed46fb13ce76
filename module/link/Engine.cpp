#include "Engine.h"

#include "CommandRecord.h"

namespace veltra {

Engine::Engine(RomImage& image, ParameterTable& parameters, Prompts& prompts, RunTexts texts, RunTimeouts timeouts)
    : texts_(std::move(texts)), timeouts_(timeouts), dispatcher_(bank_),
      rom_(dispatcher_, prompts, image, texts_, timeouts_),
      parameters_(dispatcher_, prompts, parameters, texts_, timeouts_), test_(dispatcher_, prompts, texts_, timeouts_),
      records_(dispatcher_, prompts, texts_, timeouts_)
{
    bank_.SetReceiver(&dispatcher_);
}

void Engine::OnStatusRequest(int type, int value)
{
    if (type == request::kStartRun && value == code::kHandshake)
        rom_.BeginRomRun();
    else if (type == request::kStartRun && value == code::kParamWrite)
        parameters_.BeginParamDownload();
    else if (type == request::kStartRun && value == code::kTest)
        test_.StartModuleTest();
    else if (type == request::kStartRead && value == code::kRecordRead)
        records_.ReadTestRecords();
    else if (type == request::kStartRead && value == code::kParamRead)
        parameters_.StartUpload();
}

void Engine::StopRun(const std::string& why)
{
    dispatcher_.EndRun(why);
    bank_.CloseAll();
}

}  // namespace veltra
