// FluidSynth, loaded when a sound is first needed rather than with the
// program: its library draws in some forty others (sound servers, codecs,
// SDL), whose loading and memory the start of every session would pay.
// The engine calls the library's functions by their own names; these
// definitions stand in for them and hand each call to the library once it
// is loaded. Without the library every call fails as FluidSynth's own
// would (no settings, no synthesizer, no driver): the music cannot be
// played and the engine's silent clock keeps time.
#include <fluidsynth.h>

#include <dlfcn.h>

namespace {

// Kept for the life of the process: the engine's threads may call into it
// until they end.
void* Bibliotheque() {
    static void* const poignee = dlopen("libfluidsynth.so.3", RTLD_NOW | RTLD_LOCAL);
    return poignee;
}

template <typename F> F Symbole(const char* nom) {
    void* bibliotheque = Bibliotheque();
    return bibliotheque == nullptr ? nullptr : reinterpret_cast<F>(dlsym(bibliotheque, nom));
}

} // namespace

// The library's function of the same name, resolved once.
#define QCM_FLUIDSYNTH(nom) static const auto f = Symbole<decltype(&::nom)>(#nom)

extern "C" {

fluid_log_function_t fluid_set_log_function(int level, fluid_log_function_t fun, void* data) {
    QCM_FLUIDSYNTH(fluid_set_log_function);
    return f != nullptr ? f(level, fun, data) : nullptr;
}

fluid_settings_t* new_fluid_settings() {
    QCM_FLUIDSYNTH(new_fluid_settings);
    return f != nullptr ? f() : nullptr;
}

void delete_fluid_settings(fluid_settings_t* settings) {
    QCM_FLUIDSYNTH(delete_fluid_settings);
    if (f != nullptr) {
        f(settings);
    }
}

int fluid_settings_setnum(fluid_settings_t* settings, const char* name, double val) {
    QCM_FLUIDSYNTH(fluid_settings_setnum);
    return f != nullptr ? f(settings, name, val) : FLUID_FAILED;
}

int fluid_settings_setstr(fluid_settings_t* settings, const char* name, const char* str) {
    QCM_FLUIDSYNTH(fluid_settings_setstr);
    return f != nullptr ? f(settings, name, str) : FLUID_FAILED;
}

int fluid_settings_setint(fluid_settings_t* settings, const char* name, int val) {
    QCM_FLUIDSYNTH(fluid_settings_setint);
    return f != nullptr ? f(settings, name, val) : FLUID_FAILED;
}

fluid_synth_t* new_fluid_synth(fluid_settings_t* settings) {
    QCM_FLUIDSYNTH(new_fluid_synth);
    return f != nullptr ? f(settings) : nullptr;
}

void delete_fluid_synth(fluid_synth_t* synth) {
    QCM_FLUIDSYNTH(delete_fluid_synth);
    if (f != nullptr) {
        f(synth);
    }
}

int fluid_synth_sfload(fluid_synth_t* synth, const char* filename, int reset_presets) {
    QCM_FLUIDSYNTH(fluid_synth_sfload);
    return f != nullptr ? f(synth, filename, reset_presets) : FLUID_FAILED;
}

int fluid_synth_all_notes_off(fluid_synth_t* synth, int chan) {
    QCM_FLUIDSYNTH(fluid_synth_all_notes_off);
    return f != nullptr ? f(synth, chan) : FLUID_FAILED;
}

int fluid_synth_all_sounds_off(fluid_synth_t* synth, int chan) {
    QCM_FLUIDSYNTH(fluid_synth_all_sounds_off);
    return f != nullptr ? f(synth, chan) : FLUID_FAILED;
}

int fluid_synth_system_reset(fluid_synth_t* synth) {
    QCM_FLUIDSYNTH(fluid_synth_system_reset);
    return f != nullptr ? f(synth) : FLUID_FAILED;
}

int fluid_synth_noteon(fluid_synth_t* synth, int chan, int key, int vel) {
    QCM_FLUIDSYNTH(fluid_synth_noteon);
    return f != nullptr ? f(synth, chan, key, vel) : FLUID_FAILED;
}

int fluid_synth_noteoff(fluid_synth_t* synth, int chan, int key) {
    QCM_FLUIDSYNTH(fluid_synth_noteoff);
    return f != nullptr ? f(synth, chan, key) : FLUID_FAILED;
}

int fluid_synth_cc(fluid_synth_t* synth, int chan, int ctrl, int val) {
    QCM_FLUIDSYNTH(fluid_synth_cc);
    return f != nullptr ? f(synth, chan, ctrl, val) : FLUID_FAILED;
}

int fluid_synth_program_change(fluid_synth_t* synth, int chan, int program) {
    QCM_FLUIDSYNTH(fluid_synth_program_change);
    return f != nullptr ? f(synth, chan, program) : FLUID_FAILED;
}

int fluid_synth_pitch_bend(fluid_synth_t* synth, int chan, int val) {
    QCM_FLUIDSYNTH(fluid_synth_pitch_bend);
    return f != nullptr ? f(synth, chan, val) : FLUID_FAILED;
}

int fluid_synth_channel_pressure(fluid_synth_t* synth, int chan, int val) {
    QCM_FLUIDSYNTH(fluid_synth_channel_pressure);
    return f != nullptr ? f(synth, chan, val) : FLUID_FAILED;
}

int fluid_synth_key_pressure(fluid_synth_t* synth, int chan, int key, int val) {
    QCM_FLUIDSYNTH(fluid_synth_key_pressure);
    return f != nullptr ? f(synth, chan, key, val) : FLUID_FAILED;
}

int fluid_synth_sysex(fluid_synth_t* synth, const char* data, int len, char* response,
                      int* response_len, int* handled, int dryrun) {
    QCM_FLUIDSYNTH(fluid_synth_sysex);
    return f != nullptr ? f(synth, data, len, response, response_len, handled, dryrun)
                        : FLUID_FAILED;
}

int fluid_synth_write_float(fluid_synth_t* synth, int len, void* lout, int loff, int lincr,
                            void* rout, int roff, int rincr) {
    QCM_FLUIDSYNTH(fluid_synth_write_float);
    return f != nullptr ? f(synth, len, lout, loff, lincr, rout, roff, rincr) : FLUID_FAILED;
}

fluid_audio_driver_t* new_fluid_audio_driver2(fluid_settings_t* settings, fluid_audio_func_t func,
                                              void* data) {
    QCM_FLUIDSYNTH(new_fluid_audio_driver2);
    return f != nullptr ? f(settings, func, data) : nullptr;
}

void delete_fluid_audio_driver(fluid_audio_driver_t* driver) {
    QCM_FLUIDSYNTH(delete_fluid_audio_driver);
    if (f != nullptr) {
        f(driver);
    }
}

} // extern "C"
