# DSP algorithm modules and their filter mathematics.
target_sources(model PRIVATE
  ari_classes.cpp ari_support.cpp filter_math.cpp
  ari_input.cpp ari_output.cpp ari_delay.cpp ari_router.cpp ari_mixer.cpp ari_dynamic.cpp
  ari_generator.cpp ari_equalizer.cpp ari_filter.cpp ari_crossover.cpp ari_text.cpp ari_meter.cpp module_parameters.cpp)
