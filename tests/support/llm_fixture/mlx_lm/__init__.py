"""A stand-in for a chat-completions model server, for tests only.

Run as `python -m mlx_lm server --model M --host H --port P` (with this folder on
PYTHONPATH). It answers GET /v1/models and POST /v1/chat/completions as the test
scripts it: LLM_FIXTURE_CONFIG names a JSON file, read again for every request,
with any of
  "startup_delay"  seconds to wait before listening
  "ignore_term"    true: SIGTERM is ignored (read once, at start)
  "models_status"  status of the model list (200)
  "chat_status"    status of a completion (200)
  "chat_content"   the assistant's text ("ready")
  "chat_body"      a raw reply body that replaces the usual JSON
  "chat_delay"     seconds to wait before answering a completion
LLM_FIXTURE_LOG names a file that receives one JSON line per request.
"""
