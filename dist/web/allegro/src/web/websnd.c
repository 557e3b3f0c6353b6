/*         ______   ___    ___
 *        /\  _  \ /\_ \  /\_ \
 *        \ \ \L\ \\//\ \ \//\ \      __     __   _ __   ___
 *         \ \  __ \ \ \ \  \ \ \   /'__`\ /'_ `\/\`'__\/ __`\
 *          \ \ \/\ \ \_\ \_ \_\ \_/\  __//\ \L\ \ \ \//\ \L\ \
 *           \ \_\ \_\/\____\/\____\ \____\ \____ \ \_\\ \____/
 *            \/_/\/_/\/____/\/____/\/____/\/___L\ \/_/ \/___/
 *                                           /\____/
 *                                           \_/__/
 *
 *      Web digital sound driver: the library's mixer, fed to Web Audio. A
 *      timer callback keeps about 80 msec of mixed sound queued in an audio
 *      worklet (a script processor where worklets are not offered, as on a
 *      page served without https); the browser lets it sound once the player
 *      has pressed a key, clicked or touched the page. Sound stops while the page is hidden,
 *      as the program's clock does. Without Web Audio there is no driver.
 *
 *      See readme.txt for copyright information.
 */


#include <emscripten.h>

#include "allegro.h"
#include "allegro/internal/aintern.h"
#include "allegro/platform/aintweb.h"

#ifndef ALLEGRO_WEB
   #error something is wrong with the makefile
#endif


#define FRAGMENT_FRAMES    512     /* frames mixed at a time */
#define QUEUED_MSEC        80      /* how far ahead of the speakers to mix */
#define UPDATE_MSEC        5       /* how often the queue is topped up */


static int web_digi_detect(int input);
static int web_digi_init(int input, int voices);
static void web_digi_exit(int input);
static int web_digi_buffer_size(void);


DIGI_DRIVER digi_web =
{
   DIGI_WEB,
   empty_string,
   empty_string,
   "Web Audio",
   0,
   0,
   MIXER_MAX_SFX,
   MIXER_DEF_SFX,
   web_digi_detect,
   web_digi_init,
   web_digi_exit,
   NULL,     /* set_mixer_volume */
   NULL,     /* get_mixer_volume */
   NULL,     /* lock_voice */
   NULL,     /* unlock_voice */
   web_digi_buffer_size,
   _mixer_init_voice,
   _mixer_release_voice,
   _mixer_start_voice,
   _mixer_stop_voice,
   _mixer_loop_voice,
   _mixer_get_position,
   _mixer_set_position,
   _mixer_get_volume,
   _mixer_set_volume,
   _mixer_ramp_volume,
   _mixer_stop_volume_ramp,
   _mixer_get_frequency,
   _mixer_set_frequency,
   _mixer_sweep_frequency,
   _mixer_stop_frequency_sweep,
   _mixer_get_pan,
   _mixer_set_pan,
   _mixer_sweep_pan,
   _mixer_stop_pan_sweep,
   _mixer_set_echo,
   _mixer_set_tremolo,
   _mixer_set_vibrato,
   0, 0,
   0,
   0,
   0,
   0,
   0,
   0
};


static short *mix_buffer;              /* one fragment, stereo, signed 16-bit */
static int mixer_on = FALSE;
static int queue_frames;               /* QUEUED_MSEC in frames */
static char digi_web_desc[256] = EMPTY_STRING;



/* web_audio_available:
 *  Whether the browser has Web Audio.
 */
EM_JS(int, web_audio_available, (void), {
   return (typeof AudioContext !== 'undefined' || typeof webkitAudioContext !== 'undefined') ? 1 : 0;
});



/* web_audio_player_start:
 *  web.audioPlayer(post) makes the player of the page's sound output: it
 *  plays queued chunks ([left, right] of Float32Array) and silence when
 *  they run dry, and posts how many frames it has played every 1024
 *  frames pulled: an audio worklet pulls 128 at a time, a script processor
 *  1024, and a count posted more rarely than the queue's length (80 msec)
 *  would let the queue run dry between two posts. It uses nothing of the
 *  page, as it also runs in the audio worklet.
 */
EM_JS(void, web_audio_player_start, (void), {
   Module.allegro.audioPlayer = function(post) {
      var chunks = [], offset = 0, played = 0, pulled = 0;
      return {
         push: function(chunk) { chunks.push(chunk); },
         pull: function(left, right) {
            var n = left.length, i = 0;
            while (i < n && chunks.length) {
               var c = chunks[0], k = Math.min(n - i, c[0].length - offset);
               left.set(c[0].subarray(offset, offset + k), i);
               right.set(c[1].subarray(offset, offset + k), i);
               i += k;
               offset += k;
               played += k;
               if (offset >= c[0].length) {
                  chunks.shift();
                  offset = 0;
               }
            }
            left.fill(0, i);
            right.fill(0, i);
            pulled += n;
            if (pulled >= 1024) {
               pulled = 0;
               post(played);
            }
         }
      };
   };
});



/* web_audio_processor_start:
 *  web.audioProcessor(player) is the whole code of the audio worklet: it
 *  runs in the worklet's own scope, with the player handed to it.
 */
EM_JS(void, web_audio_processor_start, (void), {
   Module.allegro.audioProcessor = function(player) {
      registerProcessor('allegro-output', class extends AudioWorkletProcessor {
         constructor() {
            super();
            var port = this.port;
            this.player = player(function(played) { port.postMessage(played); });
            port.onmessage = (e) => this.player.push(e.data);
         }
         process(inputs, outputs) {
            var out = outputs[0];
            this.player.pull(out[0], out[1] || new Float32Array(out[0].length));
            return true;
         }
      });
   };
});



/* web_audio_outputs_start:
 *  The two ways of sounding the player: web.audioWorkletOutput(context)
 *  loads the worklet (its module the processor's code applied to the
 *  player's) and promises its node; web.audioScriptOutput(context) makes
 *  a script processor, for browsers without worklets. Each sets
 *  web.audioPush, which queues a chunk, and keeps web.audioPlayed.
 */
EM_JS(void, web_audio_outputs_start, (void), {
   var web = Module.allegro;
   function heard(played) {
      web.audioPlayed = played;
   }
   web.audioWorkletOutput = function(context) {
      var source = '(' + web.audioProcessor + ')(' + web.audioPlayer + ');\n';
      var url = URL.createObjectURL(new Blob([source], { type: 'application/javascript' }));
      return context.audioWorklet.addModule(url).finally(function() {
         URL.revokeObjectURL(url);
      }).then(function() {
         var output = new AudioWorkletNode(context, 'allegro-output',
                                           { numberOfInputs: 0, outputChannelCount: [2] });
         output.port.onmessage = function(e) { heard(e.data); };
         web.audioPush = function(chunk) {
            output.port.postMessage(chunk, [chunk[0].buffer, chunk[1].buffer]);
         };
         return output;
      });
   };
   web.audioScriptOutput = function(context) {
      var local = web.audioPlayer(heard);
      var output = context.createScriptProcessor(1024, 0, 2);
      output.onaudioprocess = function(e) {
         local.pull(e.outputBuffer.getChannelData(0), e.outputBuffer.getChannelData(1));
      };
      web.audioPush = local.push;
      return output;
   };
});



/* web_audio_wake_start:
 *  Lets the sound play once the player has given the page a key, a click
 *  or a touch: the browser allows it only then, and iOS only at the end of
 *  a touch, so both its start and its end resume it. Sound stops while the
 *  page is hidden.
 */
EM_JS(void, web_audio_wake_start, (void), {
   var web = Module.allegro;
   var context = web.audioContext;
   web.audioWanted = context.state === 'running';
   web.onInput = function() {
      web.audioWanted = true;
      if (context.state === 'suspended' && !document.hidden)
         context.resume().catch(function() {});
   };
   web.onVisibility = function(visible) {
      if (!visible)
         context.suspend().catch(function() {});
      else if (web.audioWanted)
         context.resume().catch(function() {});
   };
   if (!web.audioTouchListening) {
      var touched = function() {
         if (web.onInput)
            web.onInput();
      };
      var quiet = { capture: true, passive: true };
      window.addEventListener('touchstart', touched, quiet);
      window.addEventListener('touchend', touched, quiet);
      web.audioTouchListening = true;
   }
});



/* web_audio_open:
 *  Opens the page's sound output; returns its rate in frames a second, or
 *  0 when there is none. The output plays what web_audio_push() queues and
 *  silence when the queue runs dry: through an audio worklet where the
 *  browser has one and it loads, else through a script processor.
 */
EM_ASYNC_JS(int, web_audio_open, (void), {
   var web = Module.allegro;
   try {
      var Context = typeof AudioContext !== 'undefined' ? AudioContext : webkitAudioContext;
      var context = new Context();
      var output = null;
      web.audioPlayed = 0;
      if (context.audioWorklet && typeof AudioWorkletNode !== 'undefined') {
         try {
            output = await web.audioWorkletOutput(context);
         }
         catch (e) {
            console.log('No audio worklet: ' + e);
         }
      }
      if (!output)
         output = web.audioScriptOutput(context);
      output.connect(context.destination);
      web.audioContext = context;
      web.audioOutput = output;
      web.audioPosted = 0;
      return context.sampleRate;
   }
   catch (e) {
      console.log('No sound: ' + e);
      return 0;
   }
});



/* web_audio_close:
 *  Closes the page's sound output.
 */
EM_JS(void, web_audio_close, (void), {
   var web = Module.allegro;
   if (web.audioContext) {
      web.audioOutput.disconnect();
      web.audioContext.close();
   }
   web.audioContext = null;
   web.onInput = null;
   web.onVisibility = null;
});



/* web_audio_queued:
 *  How many frames are queued and not yet played, as the output last said.
 */
EM_JS(int, web_audio_queued, (void), {
   var web = Module.allegro;
   if (!web.audioContext || web.audioContext.state !== 'running')
      return 1 << 30;
   return web.audioPosted - web.audioPlayed;
});



/* web_audio_push:
 *  Queues frames of interleaved signed 16-bit stereo.
 */
EM_JS(void, web_audio_push, (const short *samples, int frames), {
   var web = Module.allegro;
   var left = new Float32Array(frames), right = new Float32Array(frames);
   var base = samples >> 1;
   for (var i = 0; i < frames; i++) {
      left[i] = HEAP16[base + 2 * i] / 32768;
      right[i] = HEAP16[base + 2 * i + 1] / 32768;
   }
   web.audioPush([left, right]);
   web.audioPosted += frames;
});



/* web_digi_update:
 *  Timer callback: mixes fragments until the queue is full again.
 */
static void web_digi_update(void)
{
   while (web_audio_queued() < queue_frames) {
      _mix_some_samples((uintptr_t)mix_buffer, 0, TRUE);
      web_audio_push(mix_buffer, FRAGMENT_FRAMES);
   }
}



/* web_digi_detect:
 *  Output only, where the browser has Web Audio.
 */
static int web_digi_detect(int input)
{
   if (input) {
      ustrzcpy(allegro_error, ALLEGRO_ERROR_SIZE, get_config_text("Input is not supported"));
      return FALSE;
   }
   if (!web_audio_available()) {
      ustrzcpy(allegro_error, ALLEGRO_ERROR_SIZE, get_config_text("This browser has no Web Audio"));
      return FALSE;
   }
   return TRUE;
}



/* web_digi_init:
 *  Opens the page's sound output at its own rate, in 16-bit stereo, with
 *  the library's mixer and a timer callback that keeps it fed.
 */
static int web_digi_init(int input, int voices)
{
   char tmp[64];
   int rate;

   if (!web_digi_detect(input))
      return -1;

   web_audio_player_start();
   web_audio_processor_start();
   web_audio_outputs_start();
   rate = web_audio_open();
   if (rate <= 0) {
      ustrzcpy(allegro_error, ALLEGRO_ERROR_SIZE, get_config_text("Cannot open the page's sound output"));
      return -1;
   }

   web_audio_wake_start();

   mix_buffer = _AL_MALLOC_ATOMIC(FRAGMENT_FRAMES * 2 * sizeof(short));
   if (!mix_buffer) {
      web_audio_close();
      ustrzcpy(allegro_error, ALLEGRO_ERROR_SIZE, get_config_text("Not enough memory"));
      return -1;
   }

   _sound_bits = 16;
   _sound_stereo = TRUE;
   _sound_freq = rate;
   queue_frames = rate * QUEUED_MSEC / 1000;

   digi_web.voices = voices;
   if (_mixer_init(FRAGMENT_FRAMES * 2, _sound_freq, _sound_stereo, TRUE, &digi_web.voices) != 0) {
      web_digi_exit(FALSE);
      ustrzcpy(allegro_error, ALLEGRO_ERROR_SIZE, get_config_text("Error initializing mixer"));
      return -1;
   }
   mixer_on = TRUE;

   if (install_int_ex(web_digi_update, MSEC_TO_TIMER(UPDATE_MSEC)) != 0) {
      web_digi_exit(FALSE);
      ustrzcpy(allegro_error, ALLEGRO_ERROR_SIZE, get_config_text("Cannot install the sound's timer"));
      return -1;
   }

   uszprintf(digi_web_desc, sizeof(digi_web_desc), get_config_text("%d bits, %d bps, %s"),
             _sound_bits, _sound_freq, uconvert_ascii("stereo", tmp));
   digi_web.desc = digi_web_desc;
   return 0;
}



/* web_digi_exit:
 *  Stops feeding the output and closes it.
 */
static void web_digi_exit(int input)
{
   if (input)
      return;

   remove_int(web_digi_update);
   if (mixer_on)
      _mixer_exit();
   mixer_on = FALSE;
   web_audio_close();
   _AL_FREE(mix_buffer);
   mix_buffer = NULL;
}



/* web_digi_buffer_size:
 *  The mixer's fragment, in frames.
 */
static int web_digi_buffer_size(void)
{
   return FRAGMENT_FRAMES;
}
