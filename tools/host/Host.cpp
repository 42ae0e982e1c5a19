#include "Host.h"

#include <dlfcn.h>

#include <cstring>

namespace lumdel::host {

namespace {
// The host being constructed: during the entry point the plug-in calls back with a
// null effect, so the callback cannot find its host through the record yet.
thread_local Host* constructingHost = nullptr;
}  // namespace

PluginLibrary::PluginLibrary(const std::string& path) {
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) {
        const char* e = dlerror();
        error_ = e ? e : "dlopen failed";
        return;
    }
    entry_ = reinterpret_cast<Entry>(dlsym(handle_, "VSTPluginMain"));
    if (!entry_) entry_ = reinterpret_cast<Entry>(dlsym(handle_, "main"));
    if (!entry_) error_ = "no VSTPluginMain or main in " + path;
}

PluginLibrary::~PluginLibrary() {
    if (handle_) dlclose(handle_);
}

Host::Host() {
    timeInfo.sampleRate = sampleRate;
    setTempo(120.0);
    setPosition(0.0);
    timeInfo.timeSigNumerator = 4;
    timeInfo.timeSigDenominator = 4;
    timeInfo.flags |= kVstTimeSigValid;
}

Host::~Host() { close(); }

bool Host::load(PluginLibrary& library) {
    if (!library.ok()) {
        error_ = library.error();
        return false;
    }
    return load(library.entry());
}

bool Host::load(PluginLibrary::Entry entry) {
    close();
    constructingHost = this;
    effect_ = entry(&Host::callback);
    constructingHost = nullptr;
    if (!effect_) {
        error_ = "the entry point returned no plug-in";
        return false;
    }
    if (effect_->magic != kEffectMagic) {
        error_ = "the plug-in's record has the wrong magic";
        effect_ = nullptr;
        return false;
    }
    effect_->user = this;
    dispatch(effOpen);
    return true;
}

void Host::close() {
    if (!effect_) return;
    dispatch(effClose);
    effect_ = nullptr;
}

VstIntPtr Host::dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                         float opt) {
    if (!effect_) return 0;
    return effect_->dispatcher(effect_, opcode, index, value, ptr, opt);
}

void Host::start() {
    timeInfo.sampleRate = sampleRate;
    dispatch(effSetSampleRate, 0, 0, nullptr, sampleRate);
    dispatch(effSetBlockSize, 0, blockSize);
    resume();
}

void Host::setParameter(int index, float value) {
    if (effect_) effect_->setParameter(effect_, index, value);
}

float Host::getParameter(int index) {
    return effect_ ? effect_->getParameter(effect_, index) : 0.0f;
}

namespace {
std::string textFrom(const char* buf) { return std::string(buf); }
}  // namespace

std::string Host::parameterName(int index) {
    char buf[256] = {};
    dispatch(effGetParamName, index, 0, buf);
    return textFrom(buf);
}

std::string Host::parameterLabel(int index) {
    char buf[256] = {};
    dispatch(effGetParamLabel, index, 0, buf);
    return textFrom(buf);
}

std::string Host::parameterDisplay(int index) {
    char buf[256] = {};
    dispatch(effGetParamDisplay, index, 0, buf);
    return textFrom(buf);
}

std::string Host::effectName() {
    char buf[256] = {};
    dispatch(effGetEffectName, 0, 0, buf);
    return textFrom(buf);
}

std::string Host::vendorString() {
    char buf[256] = {};
    dispatch(effGetVendorString, 0, 0, buf);
    return textFrom(buf);
}

std::string Host::productString() {
    char buf[256] = {};
    dispatch(effGetProductString, 0, 0, buf);
    return textFrom(buf);
}

void Host::process(float** inputs, float** outputs, int frames) {
    if (effect_) effect_->processReplacing(effect_, inputs, outputs, frames);
    timeInfo.samplePos += frames;
    timeInfo.ppqPos += frames / static_cast<double>(sampleRate) * timeInfo.tempo / 60.0;
}

void Host::processDouble(double** inputs, double** outputs, int frames) {
    if (effect_) effect_->processDoubleReplacing(effect_, inputs, outputs, frames);
    timeInfo.samplePos += frames;
    timeInfo.ppqPos += frames / static_cast<double>(sampleRate) * timeInfo.tempo / 60.0;
}

VstIntPtr Host::sendMidi(const std::vector<VstMidiEvent>& events) {
    std::vector<unsigned char> storage(sizeof(VstEvents) + events.size() * sizeof(VstEvent*));
    auto* list = reinterpret_cast<VstEvents*>(storage.data());
    list->numEvents = static_cast<VstInt32>(events.size());
    std::vector<VstMidiEvent> copies(events);
    for (size_t i = 0; i < copies.size(); ++i)
        list->events[i] = reinterpret_cast<VstEvent*>(&copies[i]);
    return dispatch(effProcessEvents, 0, 0, list);
}

VstMidiEvent Host::controlChange(int channel, int controller, int value, int deltaFrames) {
    VstMidiEvent e{};
    e.type = kVstMidiType;
    e.byteSize = sizeof(VstMidiEvent);
    e.deltaFrames = deltaFrames;
    e.midiData[0] = static_cast<char>(0xB0 | (channel & 0x0F));
    e.midiData[1] = static_cast<char>(controller);
    e.midiData[2] = static_cast<char>(value);
    return e;
}

void Host::setTempo(double bpm) {
    timeInfo.tempo = bpm;
    timeInfo.flags |= kVstTempoValid;
}

void Host::setPosition(double ppq) {
    timeInfo.ppqPos = ppq;
    timeInfo.flags |= kVstPpqPosValid;
}

VstIntPtr Host::callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                         void* ptr, float opt) {
    Host* host = effect && effect->user ? static_cast<Host*>(effect->user) : constructingHost;
    if (!host) return opcode == audioMasterVersion ? 2400 : 0;
    return host->answer(opcode, index, value, ptr, opt);
}

VstIntPtr Host::answer(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    switch (opcode) {
        case audioMasterVersion:
            return hostVersion;
        case audioMasterAutomate:
            if (recordCalls) {
                automates.push_back({index, opt});
                automationEvents.push_back({AutomationEvent::Automate, index, opt});
            }
            if (onAutomate) onAutomate(index, opt);
            return 0;
        case audioMasterPinConnected: {
            int limit = value == 0 ? connectedInputs : connectedOutputs;
            return index < limit ? 0 : 1;
        }
        case audioMasterWantMidi:
            ++wantMidiCalls;
            return 1;
        case audioMasterGetTime:
            ++getTimeCalls;
            if (recordCalls) getTimeFilters.push_back(static_cast<VstInt32>(value));
            if (!timeInfoAvailable) return 0;
            return reinterpret_cast<VstIntPtr>(&timeInfo);
        case audioMasterGetSampleRate:
            return static_cast<VstIntPtr>(sampleRate);
        case audioMasterGetBlockSize:
            return blockSize;
        case audioMasterGetOutputLatency:
            return outputLatency;
        case audioMasterGetCurrentProcessLevel:
            return 0;
        case audioMasterCanDo: {
            if (!ptr) return 0;
            auto it = canDoAnswers.find(static_cast<const char*>(ptr));
            return it == canDoAnswers.end() ? 0 : it->second;
        }
        case audioMasterUpdateDisplay:
            ++updateDisplayCalls;
            if (onUpdateDisplay) onUpdateDisplay();
            return 1;
        case audioMasterSizeWindow:
            if (recordCalls) windowSizes.emplace_back(index, static_cast<int>(value));
            if (onSizeWindow) onSizeWindow(index, static_cast<int>(value));
            return 1;
        case audioMasterBeginEdit:
            if (recordCalls) {
                edits.push_back({index, true});
                automationEvents.push_back({AutomationEvent::Begin, index, 0.0f});
            }
            return 1;
        case audioMasterEndEdit:
            if (recordCalls) {
                edits.push_back({index, false});
                automationEvents.push_back({AutomationEvent::End, index, 0.0f});
            }
            return 1;
        case audioMasterGetVendorString:
            if (ptr) std::strcpy(static_cast<char*>(ptr), "Lumdel test host");
            return 1;
        case audioMasterGetProductString:
            if (ptr) std::strcpy(static_cast<char*>(ptr), "lumdel-host");
            return 1;
        case audioMasterGetVendorVersion:
            return 1000;
        default:
            return 0;
    }
}

}  // namespace lumdel::host
