// Sound previews: the clip the host names plays in the tab whose tap started
// it, and stops when the host says; its state is kept on <body data-audio>.

import { hostFetch } from './access.js';
import { $ } from './dom.js';
import { setConnection } from './notices.js';
import { TAB } from './state.js';

// The clip comes in half-second WAV parts, fetched one after another and
// played back to back with the Web Audio API. The host says when to stop.
const preview = { clip: null, generation: 0, context: null, sources: [], playing: 0, fetching: false };

// The preview's state on <body data-audio>, for people's tools and tests:
// idle, loading, playing, blocked (waiting for a tap), stopped or ended;
// <body data-clip> names the clip this tab played last.
export function setAudioState(value) {
  document.body.dataset.audio = value;
  $('#audio-notice').hidden = value !== 'blocked';
}

export function followAudio(audio) {
  const soundingHere = preview.fetching || preview.playing > 0;
  if (audio && audio.clip === preview.clip) {
    if (audio.state === 'stopped' && soundingHere) stopPreview('stopped');
    return;
  }
  // A new clip: this tab plays it when its own tap started it, and in any
  // case stops what it was playing (the host stopped that preview).
  preview.clip = audio ? audio.clip : null;
  const mine = audio && audio.state === 'playing' && (audio.tab === undefined || audio.tab === TAB);
  if (mine) {
    stopPreview('loading');
    document.body.dataset.clip = audio.clip;
    playPreview(audio);
  } else if (soundingHere) {
    stopPreview('stopped');
  }
}

function audioContext() {
  if (!preview.context) preview.context = new AudioContext();
  return preview.context;
}

async function playPreview(audio) {
  const generation = preview.generation;
  const context = audioContext();
  // Browsers let a page make sound only after a tap on it; a resume that is
  // refused waits for the next tap (see start()).
  context.resume().catch(() => {});
  let when = 0;
  preview.fetching = true;
  try {
    for (let part = 0; ; part += 1) {
      const response = await hostFetch(`${audio.parts}${part}.wav`, { cache: 'no-store' });
      if (generation !== preview.generation) return;
      if (response.status === 202) {
        part -= 1;
        continue;
      }
      if (response.status === 403) setConnection('refused');
      if (!response.ok) break;
      const buffer = await context.decodeAudioData(await response.arrayBuffer());
      if (generation !== preview.generation) return;
      const source = context.createBufferSource();
      source.buffer = buffer;
      source.connect(context.destination);
      when = Math.max(when, context.currentTime + 0.01);
      source.start(when);
      when += buffer.duration;
      preview.sources.push(source);
      preview.playing += 1;
      source.onended = () => {
        preview.playing -= 1;
        if (generation === preview.generation && preview.playing === 0 && !preview.fetching) setAudioState('ended');
      };
      setAudioState(context.state === 'running' ? 'playing' : 'blocked');
    }
  } catch {
    // A clip that went away, or a part the browser cannot play: nothing more to hear.
  } finally {
    if (generation === preview.generation) {
      preview.fetching = false;
      if (preview.playing === 0 && document.body.dataset.audio !== 'blocked') setAudioState('ended');
    }
  }
}

function stopPreview(next) {
  preview.generation += 1;
  preview.fetching = false;
  for (const source of preview.sources) {
    source.onended = null;
    try {
      source.stop();
    } catch {
      // Not started yet.
    }
  }
  preview.sources = [];
  preview.playing = 0;
  setAudioState(next);
}

export function unblockAudio() {
  if (!preview.context || preview.context.state === 'running') return;
  preview.context.resume().then(() => {
    if (document.body.dataset.audio === 'blocked') setAudioState('playing');
  }, () => {});
}
