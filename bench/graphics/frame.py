"""The pygame twin of frame.wx: the same shapes, colours and positions."""
import os
import sys
import time

os.environ.setdefault("PYGAME_HIDE_SUPPORT_PROMPT", "1")
import pygame  # noqa: E402

n = 1000  # @n
frames = 60  # @frames

pygame.display.init()
screen = pygame.display.set_mode((640, 480))
pygame.display.set_caption("bench-frame-pygame")


def frame():
    screen.fill((0, 0, 0))
    for i in range(n):
        pygame.draw.rect(screen, (200, 60, 60), ((i * 37) % 620, (i * 53) % 460, 20, 20))
    for i in range(n):
        pygame.draw.circle(screen, (60, 60, 200), ((i * 41) % 620 + 10, (i * 59) % 460 + 10), 10)
    pygame.display.flip()
    pygame.event.pump()


for _ in range(5):
    frame()
start = time.perf_counter()
for _ in range(frames):
    frame()
print(frames / (time.perf_counter() - start))
sys.stdout.flush()
