"""A stand-in for the audio package the speech server script patches: speech
recognition with pocketsphinx, speech synthesis with libespeak-ng, served by
FastAPI and uvicorn."""
